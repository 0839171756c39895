# Man pages for the four programs, from their own --help (help2man, see
# ManPage.cmake) and the sections in deploy/man/*.h2m, into
# <build>/man/<program>.1.gz, installed to <prefix>/share/man/man1.
#
# QVT_MANPAGES: AUTO (the default) makes them when help2man is there and the
# build has no sanitizer (whose leak report would end a --help run badly);
# ON requires help2man (scripts/package); OFF never.

set(QVT_MANPAGES AUTO CACHE STRING "Build and install the man pages: AUTO, ON or OFF")
set_property(CACHE QVT_MANPAGES PROPERTY STRINGS AUTO ON OFF)
find_program(QVT_HELP2MAN help2man)
find_program(QVT_GZIP gzip)

set(qvt_manpages OFF)
if(QVT_MANPAGES STREQUAL "ON")
  if(NOT QVT_HELP2MAN OR NOT QVT_GZIP)
    message(FATAL_ERROR "QVT_MANPAGES=ON needs help2man and gzip (apt-get install help2man)")
  endif()
  set(qvt_manpages ON)
elseif(QVT_MANPAGES STREQUAL "AUTO" AND QVT_HELP2MAN AND QVT_GZIP AND NOT QVT_SANITIZE)
  set(qvt_manpages ON)
endif()

if(qvt_manpages)
  set(qvt_man_summary_qvt-config "configures and monitors one QVT change-over switch")
  set(qvt_man_summary_qvt-cli
      "the parameter file, the status and the alarm events of a QVT switch from a shell")
  set(qvt_man_summary_qvt-devsim "a simulated QVT change-over switch, or a fleet of them")
  set(qvt_man_summary_qvt-monitord
      "watches every QVT switch of a station and serves it to Prometheus")
  set(qvt_man_pages)
  foreach(program qvt-config qvt-cli qvt-devsim qvt-monitord)
    set(page ${CMAKE_BINARY_DIR}/man/${program}.1.gz)
    set(include ${PROJECT_SOURCE_DIR}/deploy/man/${program}.h2m)
    set(commands)
    if(program STREQUAL "qvt-cli")
      # The commands of cli/CliCommon.cpp's table, each with its own --help.
      set(commands -DCOMMANDS=export|import|diff|status|monitor)
    endif()
    add_custom_command(
      OUTPUT ${page}
      COMMAND ${CMAKE_COMMAND} -DHELP2MAN=${QVT_HELP2MAN} -DGZIP=${QVT_GZIP}
              -DPROGRAM=$<TARGET_FILE:${program}> -DNAME=${program}
              "-DSUMMARY=${qvt_man_summary_${program}}" -DVERSION=${PROJECT_VERSION}
              -DWORK=${CMAKE_BINARY_DIR}/man/work-${program} -DINCLUDE=${include}
              ${commands} -DOUT=${page} -P ${PROJECT_SOURCE_DIR}/cmake/ManPage.cmake
      DEPENDS ${program} ${include} ${PROJECT_SOURCE_DIR}/cmake/ManPage.cmake
      COMMENT "Man page of ${program}"
      VERBATIM)
    list(APPEND qvt_man_pages ${page})
  endforeach()
  add_custom_target(manpages ALL DEPENDS ${qvt_man_pages})
  install(FILES ${qvt_man_pages} DESTINATION share/man/man1)
endif()
