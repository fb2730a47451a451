#!/usr/bin/env bash
# Times hozonix-run against rsync on three network mounts served privately on 127.0.0.1, side by side in
# the same run, and prints the ratios:
#   sshfs     a private sshd (own config, host key and client key) and sshfs
#   GVfs SMB  a private smbd with its own user, a private session bus, gvfsd --no-fuse, gvfsd-fuse and
#             `gio mount` (password on stdin)
#   rclone    rclone mount of a remote of type local, with --vfs-cache-mode writes
# Cases, each timed RUNS times (default 3, median), the tools' order turning round every run:
#   first copy   a tree of 2,000 files of mixed sizes (about 100 MB, fixed seed) into a new empty folder
#                on the mount: hozonix-run against rsync -a. GVfs refuses rsync's temporary files and every
#                chmod, so there rsync runs as rsync -rt --inplace --chmod=D7xx,F7xx, with the modes GVfs
#                shows for new entries (without it rsync fails every chmod it makes and exits with 23).
#   no change    the same again onto the first run's copies: hozonix-run --careful and the default fast
#                run against the same rsync command.
# What is measured: from the start of the command until it exits (after a sync of everything before it).
# rclone uploads a written file to its remote some time after close, so there each time also runs on
# until the data has reached the remote ("uploaded" rows): until the remote's folders of that run hold the
# source's names, sizes and modification times and rclone reports no upload queued or in progress. The
# time at the command's exit is shown as a row of its own. The mount uses --vfs-write-back 1s instead of
# the default 5 s, which every timing would pay in full; 0s loses uploads here (rclone 1.60 fails the
# upload of a file renamed or given its time while the upload runs, and then counts no pending upload).
#
#   bench/network-bench.sh [WORKDIR]      (WORKDIR default /var/tmp/hozonix-bench; run as root)
# Needs /dev/fuse and: openssh-server sshfs samba smbclient gvfs-daemons gvfs-backends gvfs-fuse
# dbus-daemon dbus-bin libglib2.0-bin rclone fuse3 rsync curl.
# Everything runs in a private mount namespace (the mounts are seen by nothing else; Samba's fixed
# folders are covered by tmpfs); every process started here is stopped and everything made here is
# removed when the script ends, also on failure or Ctrl-C. Only WORKDIR/.cleaned-at stays (touched), the
# marker by which the bench scripts wait for freed inodes to age (wait_for_aged_deletes in timing.sh):
# about 10 minutes in all here, plus up to 5.5 minutes of that wait.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
work=${1:-/var/tmp/hozonix-bench}
runs=${RUNS:-3}

if [[ ${HOZONIX_NETBENCH_INSIDE:-} != 1 ]]; then
    if ((EUID != 0)); then
        echo "network-bench.sh: needs root (private mount namespace, tmpfs over Samba's folders)" >&2
        exit 1
    fi
    [[ -c /dev/fuse ]] || { echo "network-bench.sh: no /dev/fuse" >&2; exit 1; }
    missing=()
    for tool in /usr/sbin/sshd sshfs ssh-keygen smbd smbpasswd /usr/libexec/gvfsd /usr/libexec/gvfsd-fuse \
        gio dbus-daemon dbus-send rclone fusermount3 rsync curl unshare python3; do
        command -v "$tool" >/dev/null || missing+=("$tool")
    done
    if ((${#missing[@]})); then
        echo "network-bench.sh: missing ${missing[*]}" >&2
        exit 1
    fi
    cmake -S "$repo" -B "$repo/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DHOZONIX_BUILD_TESTS=OFF \
        -DHOZONIX_BUILD_BENCHMARKS=ON >/dev/null
    cmake --build "$repo/build/release" -j2 --target hozonix-run >/dev/null
    mkdir -p "$work"
    HOZONIX_NETBENCH_INSIDE=1 exec unshare -m --propagation private "$0" "$work"
fi

hz=$repo/build/release/src/runner/hozonix-run
source "$repo/bench/timing.sh"

wait_for_aged_deletes

T=$(mktemp -d "$work/net-XXXXXX")
chmod 755 "$T" # smbd serves a folder below it
declare -a pids=() fuse_mounts=()
gio_mounted=
made_sshd_dir=

# Stops the processes in reverse order of their start; a child that does not go within 3 s is killed.
stop_all() {
    set +e
    trap - EXIT INT TERM HUP
    [[ -n $gio_mounted ]] && timeout 10 gio mount -u "$gio_mounted" >/dev/null 2>&1
    local i m pid
    for m in "${fuse_mounts[@]}"; do
        grep -q " $m " /proc/mounts && { fusermount3 -u "$m" 2>/dev/null || fusermount3 -u -z "$m"; }
    done
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        pid=${pids[$i]}
        # children a daemon started itself (gvfsd's backends) go with it
        for child in $(cat /proc/"$pid"/task/*/children 2>/dev/null); do kill "$child" 2>/dev/null; done
        kill "$pid" 2>/dev/null
        for _ in {1..30}; do
            [[ -e /proc/$pid && $(awk '/^State/ {print $2}' /proc/"$pid"/status 2>/dev/null) != Z ]] || break
            sleep 0.1
        done
        kill -9 "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    rm -rf "$T"
    [[ -n $made_sshd_dir ]] && rmdir /run/sshd
    sync
    touch "$cleaned"
}
trap stop_all EXIT
trap 'exit 130' INT TERM HUP

free_port() { python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }

# wait_for WHAT COMMAND...: polls COMMAND for up to 20 s
wait_for() {
    local what=$1
    shift
    for _ in {1..200}; do
        "$@" 2>/dev/null && return 0
        sleep 0.1
    done
    echo "network-bench.sh: $what did not come up" >&2
    return 1
}
mounted() { grep -q " $1 fuse" /proc/mounts; }

# Everything a daemon or client writes under $HOME or the XDG folders lands in the temporary folder.
export HOME=$T/home XDG_CONFIG_HOME=$T/home/.config XDG_DATA_HOME=$T/home/.local/share \
    XDG_CACHE_HOME=$T/home/.cache XDG_RUNTIME_DIR=$T/run
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" "$T/cfg" "$T/export" "$T/mnt"
chmod 700 "$XDG_RUNTIME_DIR"

echo "== making the tree (2,000 files)"
src=$T/tree
python3 - "$src" <<'EOF'
import os, random, sys
root = sys.argv[1]
rng = random.Random(5)
block = random.Random(7).randbytes(5 << 20)
for i in range(2000):
    folder = os.path.join(root, f"d{i % 10:02d}", f"s{i // 10 % 5}")
    os.makedirs(folder, exist_ok=True)
    # mostly small files, one in a hundred of 1-4 MiB
    size = rng.randint(1 << 20, 4 << 20) if i % 100 == 0 else rng.randint(0, 48 << 10)
    start = rng.randint(0, len(block) - size)
    with open(os.path.join(folder, f"f{i:04d}.dat"), "wb") as f:
        f.write(block[start:start + size])
EOF
echo "   $(du -sm "$src" | cut -f1) MB in $(find "$src" -type f | wc -l) files"

echo "== starting the servers and mounts"
# sshfs: a private sshd with its own host key, accepting only a key made here
ssh_dir=$T/ssh ssh_port=$(free_port)
mkdir -p "$ssh_dir" "$T/export/ssh" "$T/mnt/ssh"
ssh-keygen -q -t ed25519 -N '' -f "$ssh_dir/host_key"
ssh-keygen -q -t ed25519 -N '' -f "$ssh_dir/client_key"
cp "$ssh_dir/client_key.pub" "$ssh_dir/authorized_keys"
cat >"$ssh_dir/sshd_config" <<EOF
Port $ssh_port
ListenAddress 127.0.0.1
HostKey $ssh_dir/host_key
PidFile $ssh_dir/sshd.pid
AuthorizedKeysFile $ssh_dir/authorized_keys
PermitRootLogin prohibit-password
PasswordAuthentication no
KbdInteractiveAuthentication no
UsePAM no
StrictModes no
Subsystem sftp /usr/lib/openssh/sftp-server
EOF
cat >"$ssh_dir/ssh_config" <<EOF
Host *
  IdentityFile $ssh_dir/client_key
  IdentitiesOnly yes
  StrictHostKeyChecking no
  UserKnownHostsFile /dev/null
  LogLevel ERROR
EOF
if [[ ! -d /run/sshd ]]; then
    mkdir -m 755 /run/sshd
    made_sshd_dir=1
fi
/usr/sbin/sshd -D -f "$ssh_dir/sshd_config" -E "$ssh_dir/sshd.log" &
pids+=($!)
wait_for sshd bash -c "exec 3<>/dev/tcp/127.0.0.1/$ssh_port"
sshfs -f -F "$ssh_dir/ssh_config" -p "$ssh_port" "root@127.0.0.1:$T/export/ssh" "$T/mnt/ssh" \
    2>"$ssh_dir/sshfs.log" &
pids+=($!)
fuse_mounts+=("$T/mnt/ssh")
wait_for "the sshfs mount" mounted "$T/mnt/ssh"

# SMB through GVfs: Samba writes to its fixed folders whatever its configuration says, so cover them
smb=$T/smb smb_port=$(free_port)
for d in /var/log/samba /run/samba /var/cache/samba /var/lib/samba; do
    [[ -d $d ]] && mount -t tmpfs -o mode=755 tmpfs "$d"
done
mkdir -p "$smb"/{private,lock,state,cache,pid,ncalrpc,binddns,log} "$T/export/smb"
cat >"$smb/smb.conf" <<EOF
[global]
workgroup = BENCHGRP
netbios name = BENCHSRV
server role = standalone server
interfaces = 127.0.0.1
bind interfaces only = yes
smb ports = $smb_port
disable netbios = yes
private dir = $smb/private
lock directory = $smb/lock
state directory = $smb/state
cache directory = $smb/cache
pid directory = $smb/pid
ncalrpc dir = $smb/ncalrpc
binddns dir = $smb/binddns
passdb backend = tdbsam:$smb/private/passdb.tdb
log file = $smb/log/log.%m
load printers = no
printcap name = /dev/null
disable spoolss = yes
rpc start on demand helpers = no
usershare path =
[bench]
path = $T/export/smb
read only = no
valid users = root
EOF
printf 'bench-pass\nbench-pass\n' | smbpasswd -c "$smb/smb.conf" -s -a root >/dev/null
# smbd signals its whole process group when it stops; in the foreground it makes a session of its own
smbd -F --configfile="$smb/smb.conf" -l "$smb/log" </dev/null &
pids+=($!)
wait_for smbd bash -c "exec 3<>/dev/tcp/127.0.0.1/$smb_port"
# A session bus of our own with no service folders: nothing is started on demand (no volume monitors),
# only what is started here.
cat >"$T/cfg/session.conf" <<EOF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path=$XDG_RUNTIME_DIR/bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
EOF
dbus-daemon --config-file="$T/cfg/session.conf" --nofork --nopidfile >"$T/cfg/dbus.log" 2>&1 &
pids+=($!)
export DBUS_SESSION_BUS_ADDRESS=unix:path=$XDG_RUNTIME_DIR/bus GIO_USE_VOLUME_MONITOR=unix
wait_for "the session bus" test -S "$XDG_RUNTIME_DIR/bus"
/usr/libexec/gvfsd --no-fuse >"$T/cfg/gvfsd.log" 2>&1 &
pids+=($!)
# nothing is started on demand: gvfsd-fuse fails unless gvfsd is already on the bus
gvfsd_up() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:org.gtk.vfs.Daemon | grep -q 'boolean true'
}
wait_for gvfsd gvfsd_up
mkdir -p "$XDG_RUNTIME_DIR/gvfs"
/usr/libexec/gvfsd-fuse -f "$XDG_RUNTIME_DIR/gvfs" >"$T/cfg/gvfsd-fuse.log" 2>&1 &
pids+=($!)
fuse_mounts+=("$XDG_RUNTIME_DIR/gvfs")
wait_for "gvfsd-fuse" mounted "$XDG_RUNTIME_DIR/gvfs"
gio_url=smb://127.0.0.1:$smb_port/bench
# gio asks for user, domain and password in turn
printf 'root\nBENCHGRP\nbench-pass\n' | gio mount "$gio_url" >"$T/cfg/gio.log" 2>&1 ||
    { cat "$T/cfg/gio.log" >&2; exit 1; }
gio_mounted=$gio_url
smb_mnt=$XDG_RUNTIME_DIR/gvfs/smb-share:port=$smb_port,server=127.0.0.1,share=bench
wait_for "the GVfs share" test -d "$smb_mnt"
mkdir "$smb_mnt/probe"
: >"$smb_mnt/probe/file"
smb_rsync="-rt --inplace --chmod=D$(stat -c %a "$smb_mnt/probe"),F$(stat -c %a "$smb_mnt/probe/file")"
rm -r "$smb_mnt/probe"

# rclone: a remote of type local, with the remote control on loopback to ask about pending uploads
rc=$T/rclone rc_port=$(free_port)
mkdir -p "$rc/cache" "$T/export/rclone" "$T/mnt/rclone"
printf '[nas]\ntype = local\n' >"$rc/rclone.conf"
rclone mount --config "$rc/rclone.conf" --cache-dir "$rc/cache" --vfs-cache-mode writes --vfs-write-back 1s \
    --rc --rc-addr "127.0.0.1:$rc_port" --rc-no-auth "nas:$T/export/rclone" "$T/mnt/rclone" 2>"$rc/log" &
pids+=($!)
fuse_mounts+=("$T/mnt/rclone")
wait_for "the rclone mount" mounted "$T/mnt/rclone"

# listing DIR: names, sizes and modification times (whole seconds) of the files, our own folder aside
listing() {
    (cd "$1" && find . -path ./.hozonix -prune -o -type f -printf '%p %s %T@\n' | sed 's/\.[0-9]*$//' | sort)
}
src_list=$(listing "$src")

# uploaded [DIR...]: waits until each given remote folder is empty or holds the source tree and rclone has
# no upload queued or in progress, seen twice 20 ms apart (a file's release can reach rclone just after
# its writer has exited).
uploaded() {
    local d idle=0 ready deadline=$(($(date +%s) + 300))
    while ((idle < 2)); do
        if (($(date +%s) > deadline)); then
            echo "network-bench.sh: uploads to the rclone remote did not end within 300 s" >&2
            exit 1
        fi
        ready=1
        for d in "$@"; do
            [[ -z $(ls -A "$d" 2>/dev/null) || $(listing "$d") == "$src_list" ]] || { ready=; break; }
        done
        if [[ -n $ready ]] && curl -s -X POST "http://127.0.0.1:$rc_port/vfs/stats" |
            awk '/"uploads(InProgress|Queued)"/ {gsub(/[,"]/, ""); n += $2} END {exit n != 0}'; then
            idle=$((idle + 1))
        else
            idle=0
        fi
        ((idle == 2)) || sleep 0.02
    done
}

# profile NAME SOURCE DEST: a settings file of its own holding one profile, as the desktop stores it.
profile() {
    printf '[File_Action]\nMAX=1\nID_01=%s>>%s>><<\nNAME_01=%s\n' "$2" "$3" "$1" >"$T/cfg/$1.ini"
}

# Free memory that the VM has handed back to its host is slow on first touch: fill it with clean page
# cache (holes of a sparse file, no disk used), then read the tree.
warm() {
    local filler=$T/filler free_kib
    [[ -f $filler ]] || truncate -s 64G "$filler"
    free_kib=$(awk '/MemFree/ {print $2}' /proc/meminfo)
    if ((free_kib > 400 * 1024)); then
        dd if="$filler" of=/dev/null bs=1M count=$(((free_kib - 200 * 1024) / 1024)) status=none
    fi
    find "$src" -type f -print0 | xargs -0 cat >/dev/null
}

# timed LABEL SETUP SETTLE COMMAND...: like measure_after (timing.sh), and also runs SETTLE ("{n}" in it
# too) after each command; med[LABEL.i] is the median up to the end of SETTLE, atexit[LABEL.i] up to the command's exit.
declare -A atexit
timed() {
    local label=$1 setup=$2 settle=$3 r i cmd start end
    shift 3
    local -a cmds=("$@") order
    local -A total=() exited=()
    for ((r = 1; r <= runs; r++)); do
        eval "${setup//\{n\}/$r}"
        local now_settle=${settle//\{n\}/$r}
        order=("${!cmds[@]}")
        ((r % 2)) || mapfile -t order < <(printf '%s\n' "${order[@]}" | tac)
        for i in "${order[@]}"; do
            cmd=${cmds[$i]//\{n\}/$r}
            sync
            start=$(now_ns)
            if ! eval "$cmd" >"$T/cmd.log" 2>&1; then
                echo "network-bench.sh: failed: $cmd" >&2
                cat "$T/cmd.log" >&2
                exit 1
            fi
            end=$(now_ns)
            eval "$now_settle"
            exited[$i]+="$(((end - start) / 1000)) "
            total[$i]+="$((($(now_ns) - start) / 1000)) "
        done
    done
    for i in "${!cmds[@]}"; do
        med[$label.$i]=$(tr ' ' '\n' <<<"${total[$i]}" | grep . | median)
        atexit[$label.$i]=$(tr ' ' '\n' <<<"${exited[$i]}" | grep . | median)
        printf '  %-14s %-72s %9.1f ms\n' "$label" "${cmds[$i]:0:72}" "$(calc "${med[$label.$i]} / 1000")"
    done
}

# same_tree A B: equal names, sizes, contents and modification times (whole seconds), our own folder aside
same_tree() { [[ $(listing "$1") == "$(listing "$2")" ]] && diff -rq -x .hozonix "$1" "$2" >/dev/null; }

declare -a rows=()
row() { rows+=("$1|$2|$3|$4"); }

# bench_mount KEY LABEL MOUNT EXPORT REMOTE RSYNC_OPTIONS: REMOTE "uploaded" times each command until its
# data has reached the remote, ":" until its exit
bench_mount() {
    local key=$1 label=$2 mnt=$3 export=$4 remote=$5 ropts=$6 n settle
    echo "== $label: first copy into an empty folder (warm)"
    warm
    settle="$remote $export/hz-{n} $export/rs-{n}"
    [[ $remote == : ]] && settle=:
    timed "$key.full" "mkdir $mnt/hz-{n} $mnt/rs-{n}; profile $key-{n} $src $mnt/hz-{n}" "$settle" \
        "rsync $ropts $src/ $mnt/rs-{n}/" \
        "$hz --quiet --settings=$T/cfg/$key-{n}.ini $key-{n}"
    # every copy arrived on the server as the source is
    for ((n = 1; n <= runs; n++)); do
        same_tree "$src" "$export/hz-$n" || { echo "hozonix-run's copy $n on $label differs" >&2; exit 1; }
        same_tree "$src" "$export/rs-$n" || { echo "rsync's copy $n on $label differs" >&2; exit 1; }
    done

    echo "== $label: nothing changed (warm)"
    # one untimed rerun each, which must write nothing (else the timings below compare unequal work)
    local rs_changed hz_dir=$T/cfg/$key-written
    rs_changed=$(rsync $ropts -i "$src/" "$mnt/rs-1/" | grep -c '^[<>c]' || true)
    "$hz" --quiet --careful --settings="$T/cfg/$key-1.ini" --output="$hz_dir" "$key-1" >/dev/null
    echo "   files rewritten by a rerun: rsync $rs_changed, hozonix-run --careful $(grep -c . "$hz_dir/written.txt" || true)"
    settle=$remote # the copies are complete on the remote: wait only for what a rerun writes
    eval "$settle"
    warm
    timed "$key.same" ":" "$settle" \
        "rsync $ropts $src/ $mnt/rs-1/" \
        "$hz --quiet --careful --settings=$T/cfg/$key-1.ini $key-1" \
        "$hz --quiet --settings=$T/cfg/$key-1.ini $key-1"
    local shown=$label
    [[ $remote == : ]] || shown="$label, uploaded"
    row "$shown" "first copy" "$key.full.1" "$key.full.0"
    row "$shown" "no change, careful" "$key.same.1" "$key.same.0"
    row "$shown" "no change, fast" "$key.same.2" "$key.same.0"
    if [[ $remote != : ]]; then
        row "$label, at exit" "first copy" "@$key.full.1" "@$key.full.0"
        row "$label, at exit" "no change, careful" "@$key.same.1" "@$key.same.0"
        row "$label, at exit" "no change, fast" "@$key.same.2" "@$key.same.0"
    fi
}

bench_mount ssh sshfs "$T/mnt/ssh" "$T/export/ssh" : "-a"
bench_mount smb "GVfs SMB" "$smb_mnt" "$T/export/smb" : "$smb_rsync"
bench_mount rclone rclone "$T/mnt/rclone" "$T/export/rclone" uploaded "-a"

value() { if [[ $1 == @* ]]; then echo "${atexit[${1#@}]}"; else echo "${med[$1]}"; fi; }
echo
echo "Median of $runs runs, hozonix-run against rsync -a (on GVfs SMB: rsync $smb_rsync)."
echo "Goals: first copy <= 0.8x, no change <= 1.0x."
printf '%-20s %-20s %10s %10s %7s  %s\n' mount case "hozonix s" "rsync s" ratio goal
for r in "${rows[@]}"; do
    IFS='|' read -r mount case hzkey rskey <<<"$r"
    h=$(value "$hzkey") s=$(value "$rskey")
    ratio=$(calc "$h / $s")
    goal=1.0
    [[ $case == "first copy" ]] && goal=0.8
    verdict=met
    awk "BEGIN {exit !($ratio > $goal)}" && verdict=missed
    printf '%-20s %-20s %10.3f %10.3f %7.2f  %s\n' "$mount" "$case" "$(calc "$h / 1000000")" \
        "$(calc "$s / 1000000")" "$ratio" "$verdict"
done
