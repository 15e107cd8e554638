# One step of a man page, run by the rules of man_pages.cmake:
#   cmake -DSTEP=generate -DPROGRAM=exe -DARGS=a|b -DOUTPUT=page.1 -P man_page_step.cmake
#   cmake -DSTEP=gzip -DGZIP=gzip -DINPUT=page.1 -DOUTPUT=page.1.gz -P man_page_step.cmake
#   cmake -DSTEP=check -DGROFF=groff -DINPUT=page.1 -P man_page_step.cmake
# Each output is written beside its final name and renamed, so a step that
# fails leaves no half-made file for the next build to take as done.
cmake_minimum_required(VERSION 3.25)

if(STEP STREQUAL "generate")
  string(REPLACE "|" ";" args "${ARGS}")
  execute_process(COMMAND ${PROGRAM} ${args}
    OUTPUT_FILE ${OUTPUT}.new RESULT_VARIABLE status ERROR_VARIABLE errors)
  file(SIZE ${OUTPUT}.new size)
  if(NOT status EQUAL 0 OR size EQUAL 0)
    file(REMOVE ${OUTPUT}.new)
    message(FATAL_ERROR "${PROGRAM} ${args}: exit status ${status}, ${size} bytes on stdout\n${errors}")
  endif()
  file(RENAME ${OUTPUT}.new ${OUTPUT})
elseif(STEP STREQUAL "gzip")
  execute_process(COMMAND ${GZIP} -n -9 -c ${INPUT} OUTPUT_FILE ${OUTPUT}.new RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    file(REMOVE ${OUTPUT}.new)
    message(FATAL_ERROR "gzip ${INPUT}: exit status ${status}")
  endif()
  file(RENAME ${OUTPUT}.new ${OUTPUT})
elseif(STEP STREQUAL "check")
  # -ww: every warning; -Tutf8 lays the page out as man does on a terminal.
  foreach(device ps utf8)
    execute_process(COMMAND ${GROFF} -man -T${device} -ww -z ${INPUT}
      RESULT_VARIABLE status ERROR_VARIABLE warnings)
    if(NOT status EQUAL 0 OR NOT warnings STREQUAL "")
      message(FATAL_ERROR "${INPUT} (groff -T${device}): exit status ${status}\n${warnings}")
    endif()
  endforeach()
else()
  message(FATAL_ERROR "man_page_step.cmake: unknown STEP '${STEP}'")
endif()
