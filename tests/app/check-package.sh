#!/bin/sh
# Makes the Debian package of the build the tests run in and checks it as dpkg and apt see it: the
# control fields, the files, the runner started from the unpacked package, and lintian's verdict where
# lintian is installed. The packaging is the one `cpack -G DEB` uses in a Release folder; only the
# compiler's settings differ, so no second build of the program is needed. Exits 77 (skipped) where the
# packaging tools are missing.
# Usage: check-package.sh BUILD_FOLDER VERSION RELEASE
set -eu
build=$1 version=$2 release=$3
for tool in cpack dpkg-deb dpkg-shlibdeps file; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "skipped: $tool is not installed (scripts/install-deps.sh)"
        exit 77
    fi
done
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
fail() {
    echo "FAIL: $*"
    exit 1
}

mkdir "$root/out" "$root/x"
if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$root/out" >"$root/cpack.log" 2>&1; then
    tail -n 40 "$root/cpack.log"
    fail "the package was not built"
fi
set -- "$root"/out/hozonix_*.deb
[ $# -eq 1 ] && [ -f "$1" ] || fail "not one package: $*"
deb=$1
dpkg-deb -I "$deb"

field() {
    dpkg-deb -f "$deb" "$1"
}
# Whether the relation field $1 names package $2 (alone or as one of alternatives).
names() {
    printf '%s\n' "$1" | tr ',|' '\n\n' | sed 's/^ *//; s/[ (].*//' | grep -qx "$2"
}
[ "$(field Package)" = hozonix ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version), not $version"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture: $(field Architecture)"
[ "$(field Section)" = utils ] || fail "Section: $(field Section)"
# libqt6widgets6 comes from dpkg-shlibdeps, qt6-qpa-plugins from the packaging (no binary names it).
for p in libqt6widgets6 qt6-qpa-plugins; do
    names "$(field Depends)" "$p" || fail "Depends lacks $p"
done
for p in fonts-ipaexfont fcitx5-frontend-qt6; do
    names "$(field Recommends)" "$p" || fail "Recommends lacks $p"
done

listing=$(dpkg-deb -c "$deb" | awk '{print $6}')
for f in usr/bin/hozonix usr/bin/hozonix-run usr/share/applications/hozonix.desktop \
    usr/share/metainfo/example.hozonix.hozonix.metainfo.xml usr/share/icons/hicolor/256x256/apps/hozonix.png \
    usr/share/man/man1/hozonix.1.gz usr/share/man/man1/hozonix-run.1.gz \
    usr/lib/systemd/user/hozonix-run@.service usr/lib/systemd/user/hozonix-run@.timer \
    usr/share/doc/hozonix/copyright usr/share/doc/hozonix/changelog.gz; do
    printf '%s\n' "$listing" | grep -qx "\./$f" || fail "the package lacks $f"
done

dpkg-deb -x "$deb" "$root/x"
out=$(ASAN_OPTIONS=detect_leaks=0 "$root/x/usr/bin/hozonix-run" --version) || fail "hozonix-run --version failed: $out"
printf '%s\n' "$out" | grep -qF "$release" || fail "hozonix-run --version does not name $release: $out"
for f in hozonix hozonix-run; do
    file -b "$root/x/usr/bin/$f" | grep -q ', stripped' || fail "usr/bin/$f is not stripped"
done
# Stripping must keep the version strings the About box reads from the program file.
readelf -p .hozonix_version "$root/x/usr/bin/hozonix" | grep -qF "FileVersion=$version" ||
    fail "usr/bin/hozonix lost its version strings"
zcat "$root/x/usr/share/man/man1/hozonix-run.1.gz" | grep -q '^\.TH HOZONIX-RUN' ||
    fail "the manual page of hozonix-run is not a compressed manual page"
# Software centres show the first (newest) release of the description; it must be this one.
newest=$(grep -o '<release version="[^"]*"' "$root/x/usr/share/metainfo/example.hozonix.hozonix.metainfo.xml" | head -n 1)
[ "$newest" = "<release version=\"$release\"" ] || fail "the AppStream description's newest release is not $release: $newest"

if command -v lintian >/dev/null 2>&1; then
    # Errors fail the test, warnings are shown; status 2 is lintian failing to check at all.
    status=0
    report=$(lintian "$deb" 2>&1) || status=$?
    [ -z "$report" ] || printf '%s\n' "$report"
    [ "$status" -le 1 ] || fail "lintian could not check the package (status $status)"
    if printf '%s\n' "$report" | grep -q '^E:'; then
        fail "lintian found errors"
    fi
else
    echo "lintian is not installed: the package's policy checks were left out"
fi
echo "package $deb valid"
