# Copies the example site into a fresh folder and converts it there.
# Called by the run-example target with QUILLERY, SOURCE and OUTPUT set.
file(REMOVE_RECURSE "${OUTPUT}")
file(COPY "${SOURCE}/" DESTINATION "${OUTPUT}")
execute_process(
  COMMAND "${QUILLERY}" "/MAINFILE=${OUTPUT}/Report.htm" /OPTINCLUDETOC=1
          /LEVELSTOBREAK=2 /TOCBULLETS=1 /USINGTEMPLATE=1 /USEHEADER=1
          /USEFOOTER=1 /USEMAXWIDTH=1
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "quillery failed on the example site (exit status ${status})")
endif()
message(STATUS "Converted example site: ${OUTPUT}")
message(STATUS "Open ${OUTPUT}/Report.htm in a browser.")
