#!/bin/sh
# Installs the desktop files of a build (menu entry, software centre description, icons) into a
# temporary prefix and checks them as the desktop and a software centre would.
# Usage: check-desktop-files.sh BUILD_FOLDER
set -eu
build="$1"
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --component desktop --prefix "$prefix" >/dev/null
desktop-file-validate "$prefix/share/applications/hozonix.desktop"
appstreamcli validate --no-net "$prefix/share/metainfo/example.hozonix.hozonix.metainfo.xml"
# The tree as a whole: the description names the installed menu entry and icon.
appstreamcli validate-tree --no-net "$prefix"

for size in 16 22 24 32 48 64 128 256; do
    icon="$prefix/share/icons/hicolor/${size}x${size}/apps/hozonix.png"
    # Width and height from the PNG header.
    python3 - "$icon" "$size" <<'PY'
import struct, sys
path, size = sys.argv[1], int(sys.argv[2])
with open(path, "rb") as f:
    head = f.read(24)
if head[:8] != b"\x89PNG\r\n\x1a\n":
    sys.exit(f"{path}: not a PNG")
width, height = struct.unpack(">II", head[16:24])
if (width, height) != (size, size):
    sys.exit(f"{path}: {width}x{height}, not {size}x{size}")
PY
done
echo "desktop files valid"
