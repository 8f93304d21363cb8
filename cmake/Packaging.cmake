# The Debian package: `cmake --build build/linux --target package` writes
# lumorascr_<version>_amd64.deb into the build folder.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lumorascr)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The LumoraScr developers")
set(CPACK_PACKAGE_CONTACT "LumoraScr developers <lumorascr@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "photo slide-show screen saver with a Japanese holiday calendar")
# CPack puts the summary first and indents these lines.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "LumoraScr shows your own pictures as a slide show, a new one every ten
seconds, each revealed over the last in shuffled tiles. Every frame carries
the current month's day numbers, with weekends, Japanese public holidays and
today in colours of their own, and the date and time.

It runs as an XScreenSaver hack or on its own, and comes with a settings
dialog for the picture list and lumora-tool, which lists the holidays of the
rule file and draws frames to PNG files.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# shlibdeps finds the libraries the programs link; Qt loads its X11 and Wayland platform
# plugins and the program draws with a Japanese gothic face at run time, which no link shows.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, qt6-wayland, fonts-ipafont-gothic | fonts-noto-cjk")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xscreensaver")
include(CPack)
