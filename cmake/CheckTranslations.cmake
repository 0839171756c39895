# Fails while a text of ours has no finished Chinese translation: runs lupdate
# as the `lupdate` target does, but on a copy of the .ts file, and counts the
# texts it leaves unfinished (new ones, changed ones, and any already so).
#   cmake -DLUPDATE=<lupdate> -DTS=<file.ts> -DWORK=<scratch dir>
#         -DSOURCES=<dir>|<dir>|... -P CheckTranslations.cmake
string(REPLACE "|" ";" sources "${SOURCES}")
get_filename_component(name ${TS} NAME)
set(copy ${WORK}/${name})
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
file(COPY ${TS} DESTINATION ${WORK})

# The <source> of every message whose translation is marked unfinished.
function(unfinished file variable)
  file(READ ${file} text)
  string(REGEX MATCHALL "<source>[^<]*</source>[^<]*(<[a-z]*comment>[^<]*</[a-z]*comment>[^<]*)*<translation type=\"unfinished\""
         messages "${text}")
  set(sources)
  foreach(message IN LISTS messages)
    string(REGEX REPLACE "^<source>([^<]*)</source>.*" "\\1" source "${message}")
    list(APPEND sources "${source}")
  endforeach()
  set(${variable} "${sources}" PARENT_SCOPE)
endfunction()

unfinished(${copy} before)
execute_process(COMMAND ${LUPDATE} -no-obsolete -locations none ${sources} -ts ${copy}
                RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "lupdate failed (${status}):\n${output}")
endif()
unfinished(${copy} after)
list(LENGTH before count_before)
list(LENGTH after count_after)
if(count_after GREATER 0)
  list(JOIN after "\n  " listed)
  message(FATAL_ERROR
    "${count_after} text(s) without a finished Chinese translation "
    "(${count_before} already so in ${TS}, the rest new or changed in the sources):\n"
    "  ${listed}\n"
    "Refresh the file with `cmake --build <build> --target lupdate`, translate these "
    "in Qt Linguist or by hand, and remove type=\"unfinished\".")
endif()
message(STATUS "Every text of ours has a finished Chinese translation (lupdate on a copy: ${WORK})")
