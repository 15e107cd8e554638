# Where an installed copy puts its files. The plugins live in a folder of
# their own under the library directory; the panel finds it from its own
# location, so a prefix moved elsewhere keeps working.
include(GNUInstallDirs)
set(LUMIVEX_PLUGIN_INSTALL_DIR "${CMAKE_INSTALL_LIBDIR}/lumivex")
file(RELATIVE_PATH LUMIVEX_PLUGIN_DIR_FROM_BIN
     "${CMAKE_INSTALL_FULL_BINDIR}" "${CMAKE_INSTALL_FULL_LIBDIR}/lumivex")
