#!/usr/bin/env bash
# The desktop window's run as a user sees it: on a real X server (Xvfb, with the openbox window manager),
# the main window and the processing dialog painted, against the headless runner hozonix-run on the same
# tree, alternately in the same run (only ratios measured side by side mean anything here):
#   (b) a first copy into an empty folder, the destination's file system flushed before the clock stops
#       for both (the runner's copies are on disk when it returns: sync -f after it costs little);
#   (a) a careful run with nothing changed (into one of the copies of (b));
#   (c) a first copy from the window into a destination one of whose writes stalls for 5 s
#       (bench/stall-fs.py, a FUSE layer over a real folder): once run through, once with the processing
#       dialog's 中止 clicked with the pointer 1 s into the stall.
# (a) and (b) run on the 50,000-file tree, or on the million-file tree with --million or MILLION=1 (about
# 4 GB, made by make-trees.py as for bench/million.sh); (c) always on a small tree (STALL_SOURCE), since
# the FUSE layer is Python and costs milliseconds per file.
# Figures: medians of the window's time (click to end of run) and the runner's (its whole process), their
# ratio (goal <= 1.1), and for the window, worst over the runs, the longest it went without handling events
# (goal <= 50 ms), seen two ways: the ticks of a 5 ms timer in the window's thread, and the slowest
# answer to a window manager's ping (_NET_WM_PING every 10 ms, from another X connection, the way a window
# manager decides that a window is not responding).
#   bench/run-gui-bench.sh [WORKDIR] [--million]     (WORKDIR default /var/tmp/hozonix-bench)
# Environment: RUNS timed runs of each tool (default 3); BUILD the build folder (default build/guibench);
# STALL=0 skips (c); STALL_SOURCE (default WORKDIR/trees/small/t00, 1,617 files); STALL_AFTER writes
# before the stalled one (default 200); HOZONIX_SRC the source tree to build (default this one).
# Installs what it lacks with apt-get (xvfb, xauth, openbox, xdotool, x11-utils, python3-fusepy).
# Everything it starts (Xvfb, openbox, FUSE mounts) is private to it and ended at its exit.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
work=/var/tmp/hozonix-bench
million=${MILLION:-0}
for a in "$@"; do
    case $a in
    --million) million=1 ;;
    -*) echo "unknown option $a" >&2; exit 2 ;;
    *) work=$a ;;
    esac
done
runs=${RUNS:-3}
build=${BUILD:-$repo/build/guibench}
src_tree=${HOZONIX_SRC:-$repo}
trees=$work/trees
gui=$build/bench/gui/hozonix-gui-bench
hz=$build/src/runner/hozonix-run

if [[ -z ${HOZONIX_GUI_BENCH_IN_X:-} ]]; then
    missing=()
    for need in Xvfb:xvfb xauth:xauth openbox:openbox xdotool:xdotool xprop:x11-utils fusermount:fuse3; do
        command -v "${need%%:*}" >/dev/null || missing+=("${need#*:}")
    done
    /usr/bin/python3 -c 'import fusepy' 2>/dev/null || missing+=(python3-fusepy)
    if ((${#missing[@]})); then
        echo "installing ${missing[*]}"
        apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
            "${missing[@]}" >/dev/null
    fi
    cmake -S "$src_tree" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DHOZONIX_BUILD_TESTS=OFF \
        -DHOZONIX_BUILD_BENCHMARKS=ON >/dev/null
    cmake --build "$build" -j2 --target hozonix-run hozonix-gui-bench >/dev/null
    tree_args=()
    ((million)) && tree_args+=(--million)
    python3 "$repo/bench/make-trees.py" "$trees" "${tree_args[@]}"
    export HOZONIX_GUI_BENCH_IN_X=1 MILLION=$million
    exec xvfb-run -a -s "-screen 0 1280x900x24" bash "$0" "$work"
fi

# ---- inside the X session
tree=$trees/small
((million)) && tree=$trees/million
stall_source=${STALL_SOURCE:-$trees/small/t00}
stall_after=${STALL_AFTER:-200}

# Without a journal, ext4 creates files slowly for five minutes after a large deletion: wait until our
# own last clean-up is that old (see wait_for_aged_deletes in bench/timing.sh).
cleaned=$work/.cleaned-at
if [[ -f $cleaned ]]; then
    wait_s=$((330 - ($(date +%s) - $(stat -c %Y "$cleaned"))))
    ((wait_s <= 0)) || { echo "waiting ${wait_s} s for the last run's deleted files to age"; sleep "$wait_s"; }
fi
out=$(mktemp -d "$work/gui-out-XXXXXX")
fuse_pids=()
mounts=()
wm=
cleanup() {
    local m p
    for m in "${mounts[@]}"; do mountpoint -q "$m" && { fusermount -u "$m" 2>/dev/null || fusermount -u -z "$m"; }; done
    for p in "${fuse_pids[@]}"; do kill "$p" 2>/dev/null || true; done
    [[ -n $wm ]] && kill "$wm" 2>/dev/null
    rm -rf "$out"
    sync
    touch "$cleaned"
}
trap cleanup EXIT
export XDG_RUNTIME_DIR=$out/xdg QT_QPA_PLATFORM=xcb
mkdir -m 700 "$XDG_RUNTIME_DIR"

openbox >"$out/openbox.log" 2>&1 &
wm=$!
for ((i = 0; i < 200; i++)); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.05
done
((i < 200)) || { echo "openbox did not start" >&2; exit 1; }

now_ns() { date +%s%N; }
median() { sort -n | awk '{a[NR]=$1} END {print (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }
maximum() { sort -n | tail -1; }
calc() { awk "BEGIN {printf \"%.2f\", $1}"; }
field() { [[ $1 =~ (^| )$2=([^ ]+) ]] && echo "${BASH_REMATCH[2]}" || echo "?"; }
profile() { # INI NAME SOURCE DEST
    printf '[File_Action]\nMAX=1\nID_01=%s>>%s>><<\nNAME_01=%s\n' "$3" "$4" "$2" >"$1"
}

# Memory the VM handed back to its host is slow on first touch: fill it with clean page cache first
# (holes of a sparse file), then read the tree (see bench/run-bench.sh).
warm() {
    local filler=$work/filler free_kib
    truncate -s 64G "$filler"
    free_kib=$(awk '/MemFree/ {print $2}' /proc/meminfo)
    ((free_kib <= 400 * 1024)) || dd if="$filler" of=/dev/null bs=1M count=$(((free_kib - 200 * 1024) / 1024)) status=none
    find "$1" -type f -print0 | xargs -0 cat >/dev/null
}

# run_window LABEL ARGS...: one window run; its output line goes to $out/LABEL.lines, its time to LABEL.gui
run_window() {
    local label=$1 line
    shift
    line=$("$gui" "$@" 2>>"$out/$label.messages" | tr '\n' ' ')
    line=${line% }
    [[ $line == run_ms=* ]] || { echo "unexpected output from the window: $line" >&2; cat "$out/$label.messages" >&2; exit 1; }
    echo "$line" >>"$out/$label.lines"
    field "$line" run_ms >>"$out/$label.gui"
    echo "$line"
}
run_runner() { # LABEL DEST ARGS...
    local label=$1 dest=$2 start
    shift 2
    start=$(now_ns)
    "$hz" --quiet "$@" >"$out/$label.runner-out"
    [[ $label != first ]] || sync -f "$dest"
    echo $((($(now_ns) - start) / 1000000)) >>"$out/$label.runner"
}
# A summary of one case from the lines its window runs left.
report() { # LABEL TITLE
    local label=$1 g r
    g=$(median <"$out/$label.gui")
    r=$(median <"$out/$label.runner")
    echo "$2, medians of $runs:"
    echo "  runner (whole process)            : $r ms"
    echo "  window (click to end of run)      : $g ms"
    echo "  ratio window / runner             : $(calc "$g / $r")   (goal <= 1.1)"
    gaps "$label"
}
gaps() { # LABEL: the window's event gaps, worst and median over its runs
    local label=$1 key
    for key in longest_without_events_ms ping_longest_ms; do
        local values
        values=$(while read -r l; do field "$l" $key; done <"$out/$label.lines")
        printf '  %-34s: worst %s ms, median %s ms   (goal <= 50)\n' \
            "$([[ $key == ping_longest_ms ]] && echo "slowest answer to a ping" || echo "longest between 5 ms ticks")" \
            "$(maximum <<<"$values")" "$(median <<<"$values")"
    done
    echo "  pings answered after 50 ms, per run: $(while read -r l; do printf '%s/%s ' "$(field "$l" pings_over_50ms)" "$(field "$l" pings)"; done <"$out/$label.lines")"
    if [[ -s $out/$label.messages ]]; then
        echo "  messages the window showed or printed:"
        sort "$out/$label.messages" | uniq -c | head -10 | sed 's/^/    /'
    fi
}

files=$(find "$tree" -type f | wc -l)
echo "tree: $tree ($files files); window on $(xprop -id "$(xprop -root _NET_SUPPORTING_WM_CHECK | awk '{print $5}')" _NET_WM_NAME | cut -d'"' -f2) under Xvfb"

echo "== (b) first copy into an empty folder"
warm "$tree"
for ((r = 1; r <= runs; r++)); do
    mkdir "$out/hz-$r" "$out/gui-$r"
    profile "$out/first-hz-$r.ini" first "$tree" "$out/hz-$r"
    profile "$out/first-gui-$r.ini" first "$tree" "$out/gui-$r"
    for who in $( ((r % 2)) && echo "runner window" || echo "window runner"); do
        sync
        if [[ $who == runner ]]; then
            run_runner first "$out/hz-$r" --settings "$out/first-hz-$r.ini" first
        else
            line=$(run_window first --fast --sync --settings "$out/first-gui-$r.ini" first)
            [[ $(field "$line" written) == "$files" ]] || { echo "the window's first copy wrote $(field "$line" written) of $files files" >&2; exit 1; }
        fi
    done
    echo "  run $r: runner $(tail -1 "$out/first.runner") ms, window $(tail -1 "$out/first.lines")"
done
report first "first copy into an empty folder, $files files"

echo "== (a) careful run, nothing changed"
sync
warm "$tree"
same=$out/first-hz-1.ini
# One untimed run of each first: the first window run writes its placement into the settings.
"$hz" --quiet --careful --settings "$same" first >/dev/null
"$gui" --settings "$same" first >/dev/null 2>&1
for ((r = 1; r <= runs; r++)); do
    for who in $( ((r % 2)) && echo "runner window" || echo "window runner"); do
        sync
        if [[ $who == runner ]]; then
            run_runner same "$out/hz-1" --careful --settings "$same" first
            grep -q 'written 0,' "$out/same.runner-out" || { echo "the runner wrote files: $(cat "$out/same.runner-out")" >&2; exit 1; }
        else
            line=$(run_window same --settings "$same" first)
            [[ $(field "$line" written) == 0 ]] || { echo "the window's careful run wrote $(field "$line" written) files" >&2; exit 1; }
        fi
    done
    echo "  run $r: runner $(tail -1 "$out/same.runner") ms, window $(tail -1 "$out/same.lines")"
done
report same "careful run with nothing changed, $files files"

# mount_stall NAME: a stalling destination at $out/NAME-mnt over $out/NAME-back, its log $out/NAME.log
mount_stall() {
    mkdir "$out/$1-back" "$out/$1-mnt"
    /usr/bin/python3 "$repo/bench/stall-fs.py" "$out/$1-back" "$out/$1-mnt" "$out/$1.log" \
        --stall-after "$stall_after" 2>"$out/$1.fuse-errors" &
    fuse_pids+=($!)
    mounts+=("$out/$1-mnt")
    for ((i = 0; i < 100; i++)); do mountpoint -q "$out/$1-mnt" && return; sleep 0.05; done
    echo "the stalling file system did not mount" >&2
    exit 1
}
unmount_stall() {
    fusermount -u "$out/$1-mnt" 2>/dev/null || fusermount -u -z "$out/$1-mnt"
}

if [[ ${STALL:-1} != 0 ]]; then
    stall_files=$(find "$stall_source" -type f | wc -l)
    echo "== (c) a write that stalls for 5 s (the first after $stall_after), first copy of $stall_files files from the window"
    find "$stall_source" -type f -print0 | xargs -0 cat >/dev/null
    mount_stall stall
    profile "$out/stall.ini" stall "$stall_source" "$out/stall-mnt"
    line=$(run_window stall --fast --sync --stall-log "$out/stall.log" --settings "$out/stall.ini" stall)
    echo "  $line"
    unmount_stall stall
    written=$(field "$line" written)
    echo "  stalled write: $(cut -d' ' -f3- <(grep stall_begin "$out/stall.log"))"
    echo "  run completed: $([[ $written == "$stall_files" ]] && diff -rq --exclude=.hozonix "$stall_source" "$out/stall-back" >/dev/null \
        && echo "yes, $written files written and the copy matches the source" || echo "NO: $written of $stall_files files")"
    gaps stall

    echo "== (c') the same, 中止 clicked 1 s into the stall"
    mount_stall abort
    profile "$out/abort.ini" abort "$stall_source" "$out/abort-mnt"
    line=$(run_window abort --fast --stall-log "$out/abort.log" --abort-on-stall --abort-delay 1000 \
        --settings "$out/abort.ini" abort)
    echo "  $line"
    unmount_stall abort
    written=$(field "$line" written)
    echo "  stalled write: $(cut -d' ' -f3- <(grep stall_begin "$out/abort.log"))"
    echo "  run stopped by the click: $( ((written < stall_files)) && echo "yes, after $written of $stall_files files" || echo "NO: all $written files written")"
    echo "  run ended $(field "$(tail -1 "$out/abort.lines")" run_end_after_stall_ms) ms after the stalled write returned" \
        "(clicked at $(field "$(tail -1 "$out/abort.lines")" abort_clicked_ms) ms, stall $(field "$(tail -1 "$out/abort.lines")" stall_began_ms)-$(field "$(tail -1 "$out/abort.lines")" stall_ended_ms) ms after the run's click)"
    gaps abort
    for label in stall abort; do
        if [[ -s $out/$label.fuse-errors ]]; then
            echo "  errors of the FUSE layer ($label):"
            tail -5 "$out/$label.fuse-errors" | sed 's/^/    /'
        fi
    done
fi
