#!/usr/bin/env bash
# Installs the Debian packages Hozonix needs to build, run and test, skipping those already present.
# Usage: scripts/install-deps.sh [--extras]   (--extras: tools for benchmarks and screenshots)
set -euo pipefail

packages=(
    # build
    g++ cmake ninja-build pkg-config clang-format
    help2man
    qt6-base-dev qt6-qpa-plugins
    libcups2-dev libsmbclient-dev libelf-dev libavahi-client-dev libglib2.0-dev
    libgtest-dev libgmock-dev
    # run: the Japanese faces the windows ask for, Qt's own texts in Japanese, failed-run notices
    fonts-ipaexfont fonts-ipafont-gothic fonts-ipafont-mincho
    qt6-translations-l10n
    libnotify-bin
    # tests: private print and file servers, PDF inspection, section tools, the layer check, the checks
    # of the desktop entry and the software centre's description
    cups cups-client cups-filters poppler-utils
    samba smbclient libnss-wrapper
    binutils python3
    desktop-file-utils appstream
    # run: shares connected through GVfs (its FUSE folder gives them a local path)
    gvfs-daemons gvfs-backends gvfs-fuse
    # tests: drives that keep coarse times, fold letter case or refuse names (a small FUSE layer), ACLs
    python3-fusepy acl attr
    # tests: network file systems and the network's announcements, each served privately
    dbus-daemon libglib2.0-bin gnome-keyring openssh-server openssh-client sshfs fuse3 rclone avahi-daemon wsdd
    iproute2
    # tests: every window on a small screen under a real window manager, on a private X server
    xvfb openbox x11-utils
    # tests: the Debian package (dpkg-shlibdeps for its dependencies, file for CPack, lintian to judge it)
    dpkg-dev file lintian
)
if [[ "${1:-}" == "--extras" ]]; then
    # benchmarks, and screenshots as a person sees the windows (openbox draws the frames)
    packages+=(xauth imagemagick xdotool rsync hyperfine time)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if ((${#missing[@]} == 0)); then
    exit 0
fi

sudo=()
if [[ $(id -u) -ne 0 ]]; then
    sudo=(sudo)
fi
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
