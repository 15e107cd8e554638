# Run by cpack once the files are staged (CPACK_PRE_BUILD_SCRIPTS): the
# .deb's Depends, from dpkg-shlibdeps on every ELF file staged.
# CPackDeb's own CPACK_DEBIAN_PACKAGE_SHLIBDEPS would do the same, but it
# also adds a postinst and postrm that run ldconfig for any shared object
# in a folder under /usr/lib. The plugins' private folder needs no ldconfig
# (nothing links against them), and lintian warns of such calls.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()
find_program(LUMIVEX_SHLIBDEPS dpkg-shlibdeps)
if(NOT LUMIVEX_SHLIBDEPS)
  message(FATAL_ERROR "dpkg-shlibdeps is not installed (Debian: dpkg-dev); the .deb needs it for its Depends")
endif()

file(GLOB_RECURSE lumivex_staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_DIRECTORY}/*")
set(lumivex_elf_files)
foreach(file IN LISTS lumivex_staged)
  file(READ "${file}" magic LIMIT 4 HEX)
  if(magic STREQUAL "7f454c46" AND NOT IS_SYMLINK "${file}")
    list(APPEND lumivex_elf_files "${file}")
  endif()
endforeach()
if(NOT lumivex_elf_files)
  message(FATAL_ERROR "deb_depends.cmake: no ELF file staged in ${CPACK_TEMPORARY_DIRECTORY}")
endif()

# dpkg-shlibdeps wants to run in a source tree: a folder with debian/control.
set(lumivex_work "${CPACK_TOPLEVEL_DIRECTORY}/shlibdeps")
file(MAKE_DIRECTORY "${lumivex_work}/debian")
file(WRITE "${lumivex_work}/debian/control" "")
execute_process(COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C ${LUMIVEX_SHLIBDEPS} --ignore-missing-info -O
                        ${lumivex_elf_files}
  WORKING_DIRECTORY "${lumivex_work}"
  OUTPUT_VARIABLE lumivex_shlibdeps RESULT_VARIABLE status ERROR_VARIABLE errors)
file(REMOVE_RECURSE "${lumivex_work}")
if(NOT status EQUAL 0 OR NOT lumivex_shlibdeps MATCHES "shlibs:Depends=([^\n]+)")
  message(FATAL_ERROR "dpkg-shlibdeps: exit status ${status}\n${errors}")
endif()
# What packaging.cmake already named (what no ELF file shows) comes first.
if(CPACK_DEBIAN_PACKAGE_DEPENDS)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "${CPACK_DEBIAN_PACKAGE_DEPENDS}, ${CMAKE_MATCH_1}")
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "${CMAKE_MATCH_1}")
endif()
message(STATUS "Depends: ${CPACK_DEBIAN_PACKAGE_DEPENDS}")
