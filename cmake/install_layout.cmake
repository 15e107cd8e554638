# Where an installed copy puts its files. The plugins are the panel's own,
# loaded by no other program, so they live in a private folder under the
# prefix: lib/lumivex, the same on every architecture. This is the one
# place that names it: the install rules, the loader (through
# LUMIVEX_PLUGIN_DIR_FROM_BIN) and the man page all take it from here. The
# panel finds the folder from its own location, so a prefix moved elsewhere
# keeps working.
include(GNUInstallDirs)
set(LUMIVEX_PLUGIN_INSTALL_DIR lib/lumivex)
file(RELATIVE_PATH LUMIVEX_PLUGIN_DIR_FROM_BIN
     "${CMAKE_INSTALL_FULL_BINDIR}" "${CMAKE_INSTALL_PREFIX}/${LUMIVEX_PLUGIN_INSTALL_DIR}")

# Folders made by the install are 0755 whatever the umask of whoever runs
# cmake --install or cpack (a .deb's folders must be).
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
