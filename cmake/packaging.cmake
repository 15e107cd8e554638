# What a Debian program ships beside its binaries, and cpack -G DEB, which
# packs the installed files under the prefix /usr. The package is native
# (version without a Debian revision): its changelog is changelog.gz.
include(GNUInstallDirs)
set(LUMIVEX_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/lumivex)
set(LUMIVEX_DEB_MAINTAINER "Lumivex developers <lumivex@example.org>" CACHE STRING
    "The Maintainer of the .deb, as in its changelog: Name <address>")

# The changelog's newest entry must be this version, so a release cannot
# ship with the notes of the one before.
file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/changelog lumivex_changelog_head LIMIT_COUNT 1)
if(NOT lumivex_changelog_head MATCHES "^lumivex \\(([^)]+)\\) ")
  message(FATAL_ERROR "packaging/changelog: the first line is not a Debian changelog entry")
endif()
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "packaging/changelog: the newest entry is ${CMAKE_MATCH_1}, the project ${PROJECT_VERSION}; "
                      "add an entry for ${PROJECT_VERSION}")
endif()

# The changelog, README.md and the MQTT pages, as policy asks of a document over 4 kB, are
# gzipped: gzip -9n, no name or time stamp in the .gz, so a rebuild gives
# the same bytes.
set(lumivex_gzipped_docs)
foreach(lumivex_doc packaging/changelog README.md docs/mqtt.md docs/mqtt-sites.md)
  get_filename_component(lumivex_doc_name ${lumivex_doc} NAME)
  set(lumivex_doc_gz ${CMAKE_BINARY_DIR}/packaging/${lumivex_doc_name}.gz)
  add_custom_command(OUTPUT ${lumivex_doc_gz}
    COMMAND ${CMAKE_COMMAND} -DSTEP=gzip -DGZIP=${LUMIVEX_GZIP} -DINPUT=${PROJECT_SOURCE_DIR}/${lumivex_doc}
            -DOUTPUT=${lumivex_doc_gz} -P ${LUMIVEX_MAN_SCRIPT}
    DEPENDS ${PROJECT_SOURCE_DIR}/${lumivex_doc} ${LUMIVEX_MAN_SCRIPT}
    COMMENT "${lumivex_doc_name}.gz"
    VERBATIM)
  list(APPEND lumivex_gzipped_docs ${lumivex_doc_gz})
endforeach()
add_custom_target(lumivex_docs ALL DEPENDS ${lumivex_gzipped_docs})

install(FILES ${lumivex_gzipped_docs} packaging/copyright DESTINATION ${LUMIVEX_DOC_DIR})
# Examples only: nothing is enabled by installing them.
install(FILES packaging/lumivex-ctl@.service packaging/lumivex-ctl@.timer
              packaging/lumivex-ctl-controller@.service packaging/lumivex-ctl-controller@.timer
        DESTINATION ${LUMIVEX_DOC_DIR}/examples)

# The service lumivexd: its unit, its user and its bus policy, where
# systemd and the bus read them ("lib", not the multiarch LIBDIR). The
# .deb's postinst makes the user and enables the unit; a plain install
# enables nothing.
install(FILES packaging/lumivexd.service DESTINATION lib/systemd/system)
install(FILES packaging/sysusers.d/lumivex.conf DESTINATION lib/sysusers.d)
install(FILES packaging/dbus/org.lumivex.Lumivex1.conf DESTINATION ${CMAKE_INSTALL_DATADIR}/dbus-1/system.d)
# Its example settings: /etc/lumivex for the prefix /usr (the package),
# PREFIX/etc/lumivex for any other, as GNUInstallDirs places SYSCONFDIR.
# Decided at install time, since cpack installs with the prefix /usr
# whatever the build was configured with.
set(lumivex_etc_files ${PROJECT_SOURCE_DIR}/packaging/etc/controllers.ini ${PROJECT_SOURCE_DIR}/packaging/etc/lumivexd.ini)
install(CODE "
  if(CMAKE_INSTALL_PREFIX STREQUAL \"/usr\")
    set(lumivex_etc /etc/lumivex)
  else()
    set(lumivex_etc \"\${CMAKE_INSTALL_PREFIX}/etc/lumivex\")
  endif()
  file(INSTALL DESTINATION \"\${lumivex_etc}\" TYPE FILE
       PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ
       FILES ${lumivex_etc_files})
")

set(CPACK_PACKAGE_NAME lumivex)
set(CPACK_PACKAGE_VENDOR "ZEPTA")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configuration panel for the ZEPTA video-wall controllers")
# Each line becomes a line of the control file's Description, indented by
# one space; " ." would be an empty line.
set(CPACK_PACKAGE_DESCRIPTION "Lumivex sets the video-wall output and the general settings of a ZEPTA
K410 or K420 controller over DDC/CI or RS-232, from a Qt panel or from
lumivex-ctl, a command-line tool for scripts and timers.
lumivexd, a service started with the system, holds the links of the named
controllers in /etc/lumivex/controllers.ini and shares them over D-Bus
with the panel, lumivex-ctl and timers.
Includes zepta-sim, a simulated controller on a pseudo-terminal, and a
simulated DDC/CI plug-in.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/COPYING")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${LUMIVEX_DEB_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Depends: the packages the linker cannot see (the panel's window needs
# Qt's platform plugins, only recommended by libqt6gui6; lumivexd a system
# bus, in the form Debian's dbus asks for), then what
# packaging/deb_depends.cmake finds from the staged files.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, default-dbus-system-bus | dbus-system-bus")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/packaging/deb_depends.cmake)
set(CPACK_STRIP_FILES ON)
# What debhelper would write for the service, written out by hand: the
# settings under /etc kept as conffiles, the user made, the unit enabled
# and started, and stopped on removal. Strict: scripts 0755, conffiles 0644,
# whatever the checkout's modes.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${PROJECT_SOURCE_DIR}/packaging/deb/conffiles ${PROJECT_SOURCE_DIR}/packaging/deb/postinst
    ${PROJECT_SOURCE_DIR}/packaging/deb/prerm ${PROJECT_SOURCE_DIR}/packaging/deb/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
