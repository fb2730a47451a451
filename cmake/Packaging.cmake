# The Debian package: everything the install rules put below the prefix, in one package.
#   cmake -S . -B build/deb -G Ninja -DCMAKE_BUILD_TYPE=Release -DHOZONIX_BUILD_TESTS=OFF
#   cmake --build build/deb && (cd build/deb && cpack -G DEB)
# tests/app/check-package.sh builds it and checks it, with lintian where that is installed.

set(HOZONIX_MAINTAINER "Korimaru <support@hozonix.example>")
# The day of this release; <releases> in data/example.hozonix.hozonix.metainfo.xml names it too.
set(HOZONIX_RELEASE_DATE "Thu, 10 Dec 2026 00:00:00 +0000")
set(HOZONIX_RELEASE_MONTH "December 2026")
set(HOZONIX_RELEASE "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}")

# Debian wants a copyright file and a changelog in the package's doc folder, and a manual page for each
# program; the desktop program has no options, so its page is short and points to hozonix-run's.
set(HOZONIX_PACKAGING_DIR ${CMAKE_BINARY_DIR}/packaging)
file(CONFIGURE OUTPUT ${HOZONIX_PACKAGING_DIR}/copyright @ONLY CONTENT [[
Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: Hozonix
Upstream-Contact: @HOZONIX_MAINTAINER@
Source: https://hozonix.example/

Files: *
Copyright: 2026 Korimaru
License: LicenseRef-proprietary
 Proprietary software of Korimaru. All rights reserved.
]])
file(CONFIGURE OUTPUT ${HOZONIX_PACKAGING_DIR}/changelog @ONLY CONTENT [[
hozonix (@PROJECT_VERSION@) stable; urgency=medium

  * Release @HOZONIX_RELEASE@, build @PROJECT_VERSION_TWEAK@.

 -- @HOZONIX_MAINTAINER@  @HOZONIX_RELEASE_DATE@
]])
file(CONFIGURE OUTPUT ${HOZONIX_PACKAGING_DIR}/hozonix.1 @ONLY CONTENT [[
.TH HOZONIX 1 "@HOZONIX_RELEASE_MONTH@" "Hozonix @HOZONIX_RELEASE@" "User Commands"
.SH NAME
hozonix \- back up folders to another drive or a network share
.SH SYNOPSIS
.B hozonix
.SH DESCRIPTION
.B hozonix
opens the window in which backup profiles are made, run, verified and
restored. Each profile is a source folder, a destination folder (a local
folder, another drive or a network share) and the file extensions and
folders to leave out. The window is in Japanese.
.SH FILES
.TP
.I ~/.config/Korimaru/hozonix/hozonix.ini
The profiles and settings (below
.B $XDG_CONFIG_HOME
when that is set), which
.BR hozonix-run (1)
reads too.
.SH SEE ALSO
.BR hozonix-run (1)
]])
# Compressed without a time stamp, so that two builds of one version give the same package.
find_program(GZIP gzip REQUIRED)
foreach(name changelog hozonix.1)
    add_custom_command(
        OUTPUT ${HOZONIX_PACKAGING_DIR}/${name}.gz
        COMMAND ${GZIP} -9nkf ${HOZONIX_PACKAGING_DIR}/${name}
        DEPENDS ${HOZONIX_PACKAGING_DIR}/${name}
        VERBATIM)
endforeach()
add_custom_target(hozonix-package-docs ALL DEPENDS ${HOZONIX_PACKAGING_DIR}/changelog.gz ${HOZONIX_PACKAGING_DIR}/hozonix.1.gz)
install(FILES ${HOZONIX_PACKAGING_DIR}/copyright ${HOZONIX_PACKAGING_DIR}/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/hozonix)
install(FILES ${HOZONIX_PACKAGING_DIR}/hozonix.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_PACKAGE_NAME hozonix)
set(CPACK_PACKAGE_VENDOR Korimaru)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${HOZONIX_MAINTAINER}")
set(CPACK_PACKAGE_HOMEPAGE_URL https://hozonix.example/)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "back up folders to another drive or a network share")
set(CPACK_PACKAGE_DESCRIPTION [[
Hozonix keeps up to twenty named backup profiles, each a source folder,
a destination folder (a local folder, another drive or a network share)
and the file extensions and folders to leave out. Running a profile
copies every file whose copy in the destination is missing or older,
with progress and an abort button; large files keep their previous
version until the new one is complete.

The lists of written and failed files can be saved, copied and printed.
hozonix-run runs the same profiles without a window, from the systemd
user timer that comes with the package. Earlier versions of replaced
files can be kept, and a backup can be verified and restored.

The user interface is in Japanese.]])
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# One package for every component (the desktop files too).
set(CPACK_DEB_COMPONENT_INSTALL OFF)
# Folders as Debian wants them, whatever the umask of the one who builds.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_PACKAGE_NAME hozonix)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${HOZONIX_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://hozonix.example/)
# The libraries come from the binaries (dpkg-shlibdeps, package dpkg-dev). Qt loads its platform plugin
# at run time, which no binary names, and no window opens without it.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
# The Japanese faces and Qt's own Japanese texts, the timer's failure notices, shares through GVfs, and
# Japanese input in the text fields.
string(JOIN ", " CPACK_DEBIAN_PACKAGE_RECOMMENDS
       fonts-ipaexfont fonts-ipafont-gothic fonts-ipafont-mincho qt6-translations-l10n libnotify-bin
       gvfs-daemons gvfs-backends gvfs-fuse fcitx5-frontend-qt6)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_GENERATOR DEB)
include(CPack)
