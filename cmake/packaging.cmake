# cpack -G DEB: a Debian package of the installed files, prefix /usr
# (configure with -DCMAKE_INSTALL_PREFIX=/usr so the library directory is
# the multiarch one).
set(CPACK_PACKAGE_NAME lumivex)
set(CPACK_PACKAGE_VENDOR "ZEPTA")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Configuration panel for the ZEPTA video-wall controllers")
set(CPACK_PACKAGE_DESCRIPTION "Sets the video-wall output and the general settings of a
ZEPTA K410 or K420 over DDC/CI or RS-232. Includes zepta-sim, a simulated
controller on a pseudo-terminal, and a simulated DDC/CI plugin.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/COPYING")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Lumivex developers <lumivex@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
