# `cmake --install` and the Debian package (CPack, `scripts/package`).
#
#   <prefix>/bin/qvt-config, qvt-cli, qvt-devsim, qvt-monitord
#   <prefix>/lang/                 cfg_zh.qm, qt_zh_CN.qm and what it names
#   <prefix>/share/qvt-config/installed
#                                  the marker: logs go to the user's data directory
#   /usr/bin/qvt-*                 relative links to the programs
#   /usr/share/applications/qvt-config.desktop
#   /usr/share/icons/hicolor/{48x48,128x128,256x256}/apps/qvt-config.png
#
# The prefix is /opt/qvt-config unless given. The program finds its files from
# its own directory (through a link too, as Qt resolves /proc/self/exe), so
# any prefix works; only the desktop entry and the links are outside it.

set(QVT_LINK_DIR /usr/bin CACHE PATH
    "Where links to the installed programs go; empty for none (e.g. a prefix without root)")
set(QVT_SYSTEM_SHARE_DIR /usr/share CACHE PATH
    "Where the desktop entry and the icons go; empty for none")
set(QVT_PACKAGE_MAINTAINER "QVT Config maintainers <qvt-config@example.com>" CACHE STRING
    "The Maintainer field of the Debian package")

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

if(QVT_SYSTEM_SHARE_DIR)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/qvt-config.desktop
          DESTINATION ${QVT_SYSTEM_SHARE_DIR}/applications)
  foreach(size 48 128 256)
    install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/qvt-config-${size}.png
            DESTINATION ${QVT_SYSTEM_SHARE_DIR}/icons/hicolor/${size}x${size}/apps
            RENAME qvt-config.png)
  endforeach()
endif()

# The package: `cpack -G DEB` in the build tree (scripts/package).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qvt-config)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Zorvane")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "configures and monitors QVT broadcast change-over switches")
# The lines under the summary (one string: CPack would join a list with ";").
string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "QVT Config logs in to one QVT Dual 2x1, QVT 4x1 or QVT 4x1 AGC automatic\n"
    "change-over switch at a time over its UDP protocol, edits its parameters\n"
    "page by page, shows a live lamp board, keeps an alarm log as CSV files and\n"
    "backs up whole configurations as XML files. English and Chinese.\n"
    "It comes with qvt-cli (the same parameter files, the status and the alarm\n"
    "events from a shell) and qvt-devsim, a device simulator for trying it out.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${QVT_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Depends from the libraries the programs link (dpkg-shlibdeps).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /opt/qvt-config)
set(CPACK_INSTALL_PREFIX /opt/qvt-config)
# The links and the desktop files have absolute destinations: stage under DESTDIR.
set(CPACK_SET_DESTDIR ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
