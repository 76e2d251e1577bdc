# The Debian package: cpack -G DEB in the build directory (scripts/package.sh).
# Its dependencies are computed from the executables by dpkg-shlibdeps; the
# platform plugins are loaded at run time, so no binary names them.
set(CPACK_PACKAGE_NAME korvane)
set(CPACK_PACKAGE_VENDOR "The Korvane Extractor developers")
set(CPACK_PACKAGE_CONTACT ${KORVANE_MAINTAINER})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "list, export and preview the multis of an isometric game client")
set(CPACK_PACKAGE_DESCRIPTION
    "Korvane Extractor reads the data files of an isometric, tile-based online
game client and shows its multis: houses, keeps, boats and other structures
made of many item tiles. Its window lists every multi of the client's multi
cache file, writes the multis dragged onto a folder as small binary .mlt
files and renders an isometric preview from the client's art and tile data.
The command-line companion does the same jobs from a shell, and file
managers show .mlt files as pictures of their multis.
.
The package holds the window (korvane), its command-line companion
(korvane-cli), the thumbnailer file managers run on .mlt files
(korvane-thumbnailer), the desktop's type of .mlt files and a demo data
generator (korvane-demodata). It is free software under the GNU General
Public License, version 3 or later (${KORVANE_LICENSE}).")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
# Without it bash offers no completion for korvane-cli, and says nothing.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS bash-completion)
include(CPack)
