# The Debian package: scripts/package configures a tree with
# -DQVT_DEBIAN_PACKAGE=ON -DCMAKE_INSTALL_PREFIX=/usr and runs `cpack -G DEB`.
# It is QvtInstall.cmake's layout under /usr, plus:
#
#   /usr/share/doc/qvt-config/copyright            machine-readable
#   /usr/share/doc/qvt-config/changelog.Debian.gz  deploy/debian/changelog
#   /lib/systemd/system/qvt-monitord.service       neither enabled nor started
#   /etc/qvt-config/monitord.conf                  a conffile, no device named;
#                                                  root:qvt-monitord 0640 (postinst)
#   the maintainer scripts deploy/debian/{postinst,prerm,postrm}
#
# Debian 12 keeps units in /lib/systemd/system (its systemd.pc says so).
# The package's version is the top entry of deploy/debian/changelog,
# <project version>-<revision>: a new project version needs an entry there.

option(QVT_DEBIAN_PACKAGE
       "Lay out the Debian package: prefix /usr, the service's unit and configuration" OFF)
set(QVT_PACKAGE_MAINTAINER "QVT Config maintainers <qvt-config@example.com>" CACHE STRING
    "The Maintainer field of the Debian package")

if(NOT QVT_DEBIAN_PACKAGE)
  return()
endif()

set(qvt_debian ${PROJECT_SOURCE_DIR}/deploy/debian)
set(qvt_debian_out ${CMAKE_BINARY_DIR}/debian)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${qvt_debian}/changelog ${qvt_debian}/monitord.conf.head
             ${PROJECT_SOURCE_DIR}/deploy/monitord.conf.example)

if(NOT CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  message(FATAL_ERROR "QVT_DEBIAN_PACKAGE needs -DCMAKE_INSTALL_PREFIX=/usr, "
                      "not ${CMAKE_INSTALL_PREFIX}")
endif()
if(NOT qvt_manpages)
  message(FATAL_ERROR "QVT_DEBIAN_PACKAGE needs the man pages: install help2man")
endif()

file(STRINGS ${qvt_debian}/changelog qvt_changelog_top LIMIT_COUNT 1)
if(NOT qvt_changelog_top MATCHES "^qvt-config \\(([^)-]+)-([^)]+)\\) ")
  message(FATAL_ERROR "deploy/debian/changelog: the top line is not "
                      "'qvt-config (VERSION-REVISION) ...'")
endif()
set(qvt_deb_version ${CMAKE_MATCH_1})
set(qvt_deb_revision ${CMAKE_MATCH_2})
if(NOT qvt_deb_version STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "deploy/debian/changelog ends at ${qvt_deb_version}-${qvt_deb_revision}; "
                      "the project is ${PROJECT_VERSION}: add an entry for ${PROJECT_VERSION}-1")
endif()

file(MAKE_DIRECTORY ${qvt_debian_out})
execute_process(COMMAND ${QVT_GZIP} -9n -c ${qvt_debian}/changelog
                OUTPUT_FILE ${qvt_debian_out}/changelog.Debian.gz RESULT_VARIABLE qvt_status)
if(NOT qvt_status EQUAL 0)
  message(FATAL_ERROR "gzip of deploy/debian/changelog failed")
endif()
install(FILES ${qvt_debian}/copyright ${qvt_debian_out}/changelog.Debian.gz
        DESTINATION share/doc/qvt-config)

# The service's configuration: the example with every key commented out, so
# that it names no device and the service does not start half-configured.
file(READ ${qvt_debian}/monitord.conf.head qvt_head)
file(READ ${PROJECT_SOURCE_DIR}/deploy/monitord.conf.example qvt_example)
# Without its title (the head has one). CMake's REGEX REPLACE anchors ^ at
# every match, so each line is found by the newline before it.
string(FIND "${qvt_example}" "\n" qvt_end)
string(SUBSTRING "${qvt_example}" ${qvt_end} -1 qvt_example)
string(REGEX REPLACE "\n([^#;\n])" "\n# \\1" qvt_example "${qvt_example}")
string(SUBSTRING "${qvt_example}" 1 -1 qvt_example)
set(qvt_conf "${qvt_head}${qvt_example}")
file(WRITE ${qvt_debian_out}/monitord.conf "${qvt_conf}")
install(FILES ${qvt_debian_out}/monitord.conf DESTINATION /etc/qvt-config)
install(FILES ${PROJECT_SOURCE_DIR}/deploy/qvt-monitord.service
        DESTINATION /lib/systemd/system)
file(WRITE ${qvt_debian_out}/conffiles "/etc/qvt-config/monitord.conf\n")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qvt-config)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_RELEASE ${qvt_deb_revision})
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
    "events from a shell), qvt-devsim, a device simulator for trying it out,\n"
    "and qvt-monitord, a service that watches every switch of a station and\n"
    "serves their alarms to Prometheus (installed, not enabled).")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${QVT_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Depends from the libraries the programs link (dpkg-shlibdeps), adduser for
# the postinst, and the Qt SQL drivers of the change journal: plugins loaded
# at run time, which dpkg-shlibdeps cannot see.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "adduser, libqt5sql5-sqlite, libqt5sql5-psql")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${qvt_debian}/postinst ${qvt_debian}/prerm ${qvt_debian}/postrm
    ${qvt_debian_out}/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_PREFIX /usr)
# The unit and the configuration have absolute destinations: stage under DESTDIR.
set(CPACK_SET_DESTDIR ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
