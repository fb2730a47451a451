#!/bin/sh
# Runs a test program on a private X server with an 800x480 screen whose windows openbox frames, as on a
# person's desktop: there the frame comes some time after a window is shown. Exits 77 (skipped) where
# the X server or the window manager is missing.
set -eu
for tool in Xvfb openbox xprop; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "skipped: $tool is not installed"
        exit 77
    fi
done
dir=$(mktemp -d)
xvfb=""
wm=""
cleanup() {
    [ -n "$wm" ] && kill "$wm" 2>/dev/null || true
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$dir"
}
trap cleanup EXIT
# Waits up to 10 s for the command to succeed; skips the test with WHAT and LOG where it does not.
wait_for() {
    what=$1 log=$2
    shift 2
    i=0
    until "$@"; do
        i=$((i + 1))
        if [ "$i" -gt 100 ]; then
            echo "skipped: $what did not start"
            cat "$log"
            exit 77
        fi
        sleep 0.1
    done
}
# Only the local socket: nothing listens on the network.
Xvfb -displayfd 3 -screen 0 800x480x24 -nolisten tcp 3>"$dir/display" >"$dir/xvfb.log" 2>&1 &
xvfb=$!
wait_for "the X server" "$dir/xvfb.log" test -s "$dir/display"
DISPLAY=:$(cat "$dir/display")
export DISPLAY
# Its own settings folder, so that no one's openbox configuration applies.
HOME=$dir XDG_CONFIG_HOME=$dir openbox --sm-disable >"$dir/openbox.log" 2>&1 &
wm=$!
wait_for "the window manager" "$dir/openbox.log" sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"'
status=0
QT_QPA_PLATFORM=xcb "$@" || status=$?
exit "$status"
