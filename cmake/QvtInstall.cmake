# `cmake --install` (any prefix; /usr/local unless given):
#
#   <prefix>/bin/qvt-config, qvt-cli, qvt-devsim, qvt-monitord
#   <prefix>/share/qvt-config/lang/       cfg_zh.qm, qt_zh_CN.qm and what it names
#   <prefix>/share/qvt-config/installed   the marker: logs go to the user's data directory
#   <prefix>/share/applications/qvt-config.desktop
#   <prefix>/share/icons/hicolor/{48x48,128x128,256x256}/apps/qvt-config.png
#   <prefix>/share/man/man1/qvt-*.1.gz    with help2man (QvtManPages.cmake)
#   <prefix>/share/bash-completion/completions/qvt-cli
#   <prefix>/share/doc/qvt-config/        MONITORD.md, SIMULATOR.md
#
# The program finds its files from its own directory, <prefix>/bin/../share,
# so any prefix works. The Debian package (QvtPackage.cmake) is this with
# the prefix /usr, plus the service's unit and configuration.

set(QVT_LINK_DIR "" CACHE PATH
    "A directory for links to the installed programs (e.g. /usr/bin for a prefix in /opt); empty for none")
set(QVT_SYSTEM_SHARE_DIR "" CACHE PATH
    "Where the desktop entry and the icons go: empty for <prefix>/share, or e.g. /usr/share for a prefix the desktop does not search")

install(TARGETS qvt-config qvt-cli qvt-devsim qvt-monitord RUNTIME DESTINATION bin)

get_filename_component(QVT_MARKER_DIR ${QVT_INSTALLED_MARKER} DIRECTORY)
get_filename_component(QVT_MARKER_NAME ${QVT_INSTALLED_MARKER} NAME)
file(WRITE ${CMAKE_BINARY_DIR}/install/${QVT_MARKER_NAME}
     "This file tells QVT Config that it runs from an installation: its alarm\n"
     "logs go to each user's data directory (~/.local/share/qvt-config/logs),\n"
     "never into the installation's own directories.\n")
install(FILES ${CMAKE_BINARY_DIR}/install/${QVT_MARKER_NAME} DESTINATION ${QVT_MARKER_DIR})

if(QVT_LINK_DIR)
  install(CODE "set(qvt_link_dir \"${QVT_LINK_DIR}\")\nset(qvt_programs qvt-config qvt-cli qvt-devsim qvt-monitord)")
  install(SCRIPT ${PROJECT_SOURCE_DIR}/cmake/InstallLinks.cmake)
endif()

set(qvt_share share)
if(QVT_SYSTEM_SHARE_DIR)
  set(qvt_share ${QVT_SYSTEM_SHARE_DIR})
endif()
install(FILES ${PROJECT_SOURCE_DIR}/resources/qvt-config.desktop
        DESTINATION ${qvt_share}/applications)
foreach(size 48 128 256)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/qvt-config-${size}.png
          DESTINATION ${qvt_share}/icons/hicolor/${size}x${size}/apps
          RENAME qvt-config.png)
endforeach()

include(${PROJECT_SOURCE_DIR}/cmake/QvtManPages.cmake)

install(FILES ${PROJECT_SOURCE_DIR}/deploy/qvt-cli.bash-completion
        DESTINATION share/bash-completion/completions RENAME qvt-cli)
# The service's MIB, where net-snmp's tools and snmpd look for MIBs.
install(FILES ${PROJECT_SOURCE_DIR}/deploy/snmp/QVT-MONITOR-MIB.txt DESTINATION share/snmp/mibs)
# What the man pages and the service's unit point to.
install(FILES ${PROJECT_SOURCE_DIR}/docs/MONITORD.md ${PROJECT_SOURCE_DIR}/docs/SIMULATOR.md
        DESTINATION share/doc/qvt-config)

include(${PROJECT_SOURCE_DIR}/cmake/QvtPackage.cmake)
