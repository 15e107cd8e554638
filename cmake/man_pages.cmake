# Man pages, gzipped at build time and installed into
# ${CMAKE_INSTALL_MANDIR}/man<section>, where man(1) and the .deb want them.
# gzip -n keeps the name and time stamp out of the .gz, so a rebuild gives
# the same bytes.
#
#   lumivex_install_gzipped_man(SOURCE page.1)
#     A hand-written page; @PROJECT_VERSION@ in it becomes the version.
#   lumivex_generated_man(TARGET exe ARGS --man NAME page.1)
#     The page the built executable prints on stdout when run with ARGS;
#     an executable that fails or prints nothing fails the build.
#
# The section is the digit the page's name ends with. Where groff is found,
# each page also gets a test, man_<name>, that it renders with no warning.
include(GNUInstallDirs)
find_program(LUMIVEX_GZIP gzip REQUIRED)
find_program(LUMIVEX_GROFF groff)
set(LUMIVEX_MAN_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/man_page_step.cmake)

# page: the roff file in the build tree, made by a rule of the caller's.
function(_lumivex_gzip_and_install_man page)
  get_filename_component(name ${page} NAME)
  if(NOT name MATCHES "\\.([1-9])[a-z]*$")
    message(FATAL_ERROR "man page ${name}: the name must end with its section, e.g. ${name}.1")
  endif()
  set(section ${CMAKE_MATCH_1})
  add_custom_command(OUTPUT ${page}.gz
    COMMAND ${CMAKE_COMMAND} -DSTEP=gzip -DGZIP=${LUMIVEX_GZIP} -DINPUT=${page} -DOUTPUT=${page}.gz
            -P ${LUMIVEX_MAN_SCRIPT}
    DEPENDS ${page} ${LUMIVEX_MAN_SCRIPT}
    COMMENT "Man page ${name}.gz"
    VERBATIM)
  string(MAKE_C_IDENTIFIER "man_${name}" target)
  add_custom_target(${target} ALL DEPENDS ${page}.gz)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
  if(LUMIVEX_GROFF)
    add_test(NAME ${target}
      COMMAND ${CMAKE_COMMAND} -DSTEP=check -DGROFF=${LUMIVEX_GROFF} -DINPUT=${page} -P ${LUMIVEX_MAN_SCRIPT})
    set_tests_properties(${target} PROPERTIES LABELS man)
  endif()
endfunction()

function(lumivex_install_gzipped_man)
  cmake_parse_arguments(M "" "SOURCE" "" ${ARGN})
  if(NOT M_SOURCE OR M_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "lumivex_install_gzipped_man(SOURCE page.1)")
  endif()
  get_filename_component(source ${M_SOURCE} ABSOLUTE)
  get_filename_component(name ${source} NAME)
  set(page ${CMAKE_CURRENT_BINARY_DIR}/${name})
  configure_file(${source} ${page} @ONLY)
  _lumivex_gzip_and_install_man(${page})
endfunction()

function(lumivex_generated_man)
  cmake_parse_arguments(M "" "TARGET;NAME" "ARGS" ${ARGN})
  if(NOT M_TARGET OR NOT M_NAME OR M_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "lumivex_generated_man(TARGET exe ARGS ... NAME page.1)")
  endif()
  set(page ${CMAKE_CURRENT_BINARY_DIR}/${M_NAME})
  # The arguments travel as one list; "|" cannot clash with the list's ";".
  string(REPLACE ";" "|" args "${M_ARGS}")
  add_custom_command(OUTPUT ${page}
    COMMAND ${CMAKE_COMMAND} -DSTEP=generate "-DPROGRAM=$<TARGET_FILE:${M_TARGET}>" "-DARGS=${args}"
            -DOUTPUT=${page} -P ${LUMIVEX_MAN_SCRIPT}
    DEPENDS ${M_TARGET} ${LUMIVEX_MAN_SCRIPT}
    COMMENT "Man page ${M_NAME} from ${M_TARGET}"
    VERBATIM)
  _lumivex_gzip_and_install_man(${page})
endfunction()

# lumivexd(8), the service's page, beside the hand-written pages of man/;
# lumivexd itself is installed by src/service/.
lumivex_install_gzipped_man(SOURCE ${PROJECT_SOURCE_DIR}/man/lumivexd.8)
