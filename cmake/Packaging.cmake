# The Debian package (scripts/package.sh): t3208tool_VERSION_ARCH.deb with every
# program and file of cmake/Install.cmake under /usr; its library dependencies
# come from dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME t3208tool)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "t3208tool maintainers")
set(CPACK_PACKAGE_CONTACT
    "t3208tool maintainers <maintainers@users.noreply.c-seed-287f6d0f.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "commissioning and debugging tool for T3208 stepper-motor controllers")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "A window that drives controllers of the T3208 family over an RS-232 or RS-485
line: it sends every request of the controller's command set as RTU or ASCII
frames, shows every byte on the line with the replies decoded, records and
replays command lists, builds frames by hand and converts requests into
holding-register requests.
.
Also contains t3208ctl, which does the same from scripts (replies checked,
JSON output, bus scan, monitor), and t3208-sim, a simulated controller on a
pseudo-terminal.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window's Chinese captions need a CJK face.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wqy-microhei | fonts-noto-cjk")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${T3208_HOMEPAGE}")
# Directories the package makes must not be group-writable.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
