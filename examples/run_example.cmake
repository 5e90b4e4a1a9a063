# Converts the example site into a folder of its own; the site itself stays
# as it is. Called by the run-example target with QUILLERY, SOURCE and OUTPUT
# set. A second run replaces the earlier output whole. The program's last
# line names the file to open.
execute_process(
  COMMAND "${QUILLERY}" "/MAINFILE=${SOURCE}/Report.htm" /OPTINCLUDETOC=1
          "/OUTDIR=${OUTPUT}" /LEVELSTOBREAK=2 /TOCBULLETS=1 /USINGTEMPLATE=1
          /USEHEADER=1 /USEFOOTER=1 /USEMAXWIDTH=1
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "quillery failed on the example site (exit status ${status})")
endif()
