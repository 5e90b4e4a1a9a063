# Formats the manual page with every warning on; any output fails the test.
execute_process(COMMAND ${GROFF} -man -ww -z ${PAGE}
                OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR NOT "${out}${err}" STREQUAL "")
  message(FATAL_ERROR "groff on ${PAGE}: status ${status}\n${out}${err}")
endif()
