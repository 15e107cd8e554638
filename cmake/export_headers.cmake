# Each library exports only its own headers, under its folder's path
# ("link/link_state.h", "sim/device/device_model.h"): the headers are linked
# into a folder of their own, so that a header of a library not linked (a
# layer above) is not found and the build refuses it.
#
# lumivex_export_headers(TARGET [HEADERS h ...])
# Without HEADERS, the .h files among the target's sources.
set(LUMIVEX_HEADER_FARM ${CMAKE_BINARY_DIR}/include)

function(lumivex_export_headers target)
  cmake_parse_arguments(E "" "" "HEADERS" ${ARGN})
  if(NOT E_HEADERS)
    get_target_property(sources ${target} SOURCES)
    list(FILTER sources INCLUDE REGEX "\\.h$")
    set(E_HEADERS ${sources})
  endif()
  file(RELATIVE_PATH prefix ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  string(REGEX REPLACE "^(src|tools)/" "" prefix "${prefix}")
  set(root ${LUMIVEX_HEADER_FARM}/${target})
  file(REMOVE_RECURSE ${root})
  foreach(header IN LISTS E_HEADERS)
    set(link ${root}/${prefix}/${header})
    get_filename_component(folder ${link} DIRECTORY)
    file(MAKE_DIRECTORY ${folder})
    file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR}/${header} ${link} SYMBOLIC)
  endforeach()
  get_target_property(kind ${target} TYPE)
  if(kind STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
endfunction()
