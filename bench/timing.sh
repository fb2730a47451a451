# Timing helpers shared by the benchmark scripts (sourced; they set `runs`).
#
# measure_after LABEL SETUP COMMAND... : runs SETUP (untimed) and then each command, $runs times ("{n}"
# in them is the run number), and prints each command's median in ms into med[LABEL.i]. Every command is
# timed the same way: after a sync, so that none pays for the write-back of the one before, and in an
# order that turns round every run, so that no tool always follows the same other one.
# measure LABEL COMMAND... : the same without a setup step.

now_ns() { date +%s%N; }

# median of the numbers on stdin
median() { sort -n | awk '{a[NR]=$1} END {print (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }

calc() { awk "BEGIN {printf \"%.3f\", $1}"; }

declare -A med
measure_after() {
    local label=$1 setup=$2 r i cmd start
    shift 2
    local -a cmds=("$@") files=() order
    for cmd in "${cmds[@]}"; do files+=("$(mktemp)"); done
    for ((r = 1; r <= runs; r++)); do
        eval "${setup//\{n\}/$r}"
        order=("${!cmds[@]}")
        if ((r % 2 == 0)); then
            order=()
            for ((i = ${#cmds[@]} - 1; i >= 0; i--)); do order+=("$i"); done
        fi
        for i in "${order[@]}"; do
            cmd=${cmds[$i]//\{n\}/$r}
            sync
            start=$(now_ns)
            eval "$cmd" >/dev/null
            echo $((($(now_ns) - start) / 1000)) >>"${files[$i]}"
        done
    done
    for i in "${!cmds[@]}"; do
        med[$label.$i]=$(median <"${files[$i]}")
        printf '  %-10s %-70s %9.1f ms\n' "$label" "${cmds[$i]:0:70}" "$(calc "${med[$label.$i]} / 1000")"
        rm -f "${files[$i]}"
    done
}

measure() {
    local label=$1
    shift
    measure_after "$label" ":" "$@"
}

ratio() { calc "${med[$1]} / ${med[$2]}"; }

# tree_source TREE: the folder a benchmark copies from, into $src: a tree of make-trees.py under
# $work/trees, or for "usr-share" a copy of /usr/share made under $out, links kept as they are.
tree_source() {
    if [[ $1 == usr-share ]]; then
        src=$out/usr-share-src
        [[ -d $src ]] || cp -a /usr/share "$src"
    else
        src=$work/trees/$1
    fi
}

# wait_for_aged_deletes: without a journal, ext4 will not reuse an inode freed in the last 300 s and
# checks each such candidate on every file it creates, so after a large deletion file creation costs up
# to ten times normal for five minutes. Waits until the benchmarks' own last clean-up ($work/.cleaned-at,
# touched when a script ends) is that old; sets `cleaned` to that file. Other large deletions on this file
# system have the same effect and are not seen here.
wait_for_aged_deletes() {
    cleaned=$work/.cleaned-at
    [[ -f $cleaned ]] || return 0
    local wait_s=$((330 - ($(date +%s) - $(stat -c %Y "$cleaned"))))
    ((wait_s <= 0)) || { echo "waiting ${wait_s} s for deleted files to age"; sleep "$wait_s"; }
}
