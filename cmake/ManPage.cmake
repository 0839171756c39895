# A man page from a program's own --help, through help2man (cmake -P):
#   -DHELP2MAN=... -DGZIP=... -DPROGRAM=<built program> -DNAME=qvt-cli
#   -DSUMMARY="the NAME line" -DVERSION=1.2.3 -DWORK=<scratch directory>
#   -DOUT=<page>.1.gz [-DINCLUDE=<help2man include file>]
#   [-DCOMMANDS=export|import|...]   a COMMANDS section from `NAME CMD --help`
#
# help2man takes a synopsis only from a line starting "Usage:", and none of
# ours but Qt's does: the help is read here first, its "usage:" paragraph
# joined into that one line, and help2man reads the result through a
# stand-in program of the same name. The page is gzip -9n'd (no name, no time)
# and dated from SOURCE_DATE_EPOCH when set (help2man reads it), else today.

foreach(var HELP2MAN GZIP PROGRAM NAME SUMMARY VERSION WORK OUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "ManPage.cmake: ${var} is not set")
  endif()
endforeach()

function(run_help out)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ${PROGRAM} ${ARGN}
                  --help
                  OUTPUT_VARIABLE text ERROR_QUIET RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${PROGRAM} ${ARGN} --help failed (${status})")
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# roff: a backslash, a minus and a control character at a line's start.
function(roff_escape out text)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

file(MAKE_DIRECTORY ${WORK}/bin)
run_help(help)
# Qt names the program as it was started (the build's path).
get_filename_component(program_path ${PROGRAM} ABSOLUTE)
string(REPLACE "Usage: ${program_path}" "Usage: ${NAME}" help "${help}")
string(REPLACE "Usage: ${PROGRAM}" "Usage: ${NAME}" help "${help}")
# "usage: a b\n      c d\n" -> "Usage: a b c d\n"
if(help MATCHES "^usage: ")
  string(FIND "${help}" "\n\n" end)
  string(SUBSTRING "${help}" 0 ${end} usage)
  string(SUBSTRING "${help}" ${end} -1 rest)
  string(REGEX REPLACE "\n +" " " usage "${usage}")
  string(REGEX REPLACE "^usage: " "Usage: " usage "${usage}")
  set(help "${usage}${rest}")
endif()
file(WRITE ${WORK}/help.txt "${help}")
file(WRITE ${WORK}/bin/${NAME} "#!/bin/sh\nexec cat '${WORK}/help.txt'\n")
file(CHMOD ${WORK}/bin/${NAME} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
     GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(includes)
if(DEFINED INCLUDE AND INCLUDE)
  list(APPEND includes --include=${INCLUDE})
endif()
if(DEFINED COMMANDS AND COMMANDS)
  string(REPLACE "|" ";" COMMANDS "${COMMANDS}")
  set(section "[>COMMANDS]\n")
  foreach(command IN LISTS COMMANDS)
    run_help(text ${command})
    string(STRIP "${text}" text)
    roff_escape(text "${text}")
    string(APPEND section ".SS ${command}\n.nf\n${text}\n.fi\n")
  endforeach()
  file(WRITE ${WORK}/commands.h2m "${section}")
  list(APPEND includes --include=${WORK}/commands.h2m)
endif()

execute_process(COMMAND ${HELP2MAN} --no-info --section=1 --version-string=${VERSION}
                        --name=${SUMMARY} ${includes} --output=${WORK}/${NAME}.1
                        ${WORK}/bin/${NAME}
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "help2man failed for ${NAME}")
endif()
execute_process(COMMAND ${GZIP} -9n -c ${WORK}/${NAME}.1 OUTPUT_FILE ${OUT} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "gzip failed for ${NAME}")
endif()
