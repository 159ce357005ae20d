# Shared by the bench/*.sh scripts (sourced, not run). Each sample is one
# process measured by build/bin/runmeasured: CPU time (user + system), peak
# resident memory and wall time. Scripts interleave the program and its baselines so
# the noise of a shared machine falls on all of them alike, then compare
# medians.

samples_dir=$(mktemp -d)
trap 'rm -rf "$samples_dir"' EXIT

# sample NAME COMMAND...: runs COMMAND once and appends "cpu_s rss_kib wall_s"
# to the samples of NAME. The command's own output is dropped.
sample() {
    local name=$1
    shift
    if ! build/bin/runmeasured "$samples_dir/$name" "$@" >/dev/null 2>"$samples_dir/stderr"; then
        echo "failed: $*" >&2
        cat "$samples_dir/stderr" >&2
        exit 1
    fi
}

# column NAME FIELD: the sorted values of one field (1 cpu, 2 rss, 3 wall).
column() { awk -v f="$2" '{ print $f }' "$samples_dir/$1" | sort -g; }

# median NAME FIELD
median() { column "$1" "$2" | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# summary NAME: min / median / max of each measure, and the number of runs.
summary() {
    local name=$1
    local cpu rss wall
    cpu=$(column "$name" 1 | awk '{ v[NR] = $1 } END { printf "%.4f / %.4f / %.4f s", v[1], (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2, v[NR] }')
    rss=$(column "$name" 2 | awk '{ v[NR] = $1 / 1024 } END { printf "%.1f / %.1f / %.1f MiB", v[1], (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2, v[NR] }')
    wall=$(column "$name" 3 | awk '{ v[NR] = $1 } END { printf "%.4f / %.4f / %.4f s", v[1], (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2, v[NR] }')
    printf '%-22s %3d runs  CPU %s   peak memory %s   wall %s   (min / median / max)\n' \
        "$name" "$(wc -l <"$samples_dir/$name")" "$cpu" "$rss" "$wall"
}

# ratio A B: the medians of A divided by those of B.
ratio() {
    awk -v c1="$(median "$1" 1)" -v c2="$(median "$2" 1)" \
        -v m1="$(median "$1" 2)" -v m2="$(median "$2" 2)" \
        -v w1="$(median "$1" 3)" -v w2="$(median "$2" 3)" \
        -v a="$1" -v b="$2" 'BEGIN {
        printf "%s / %s (medians): CPU %.2f, peak memory %.2f, wall %.2f\n", a, b, c1 / c2, m1 / m2, w1 / w2 }'
}

# sample_inner NAME COMMAND...: like sample, but CPU and wall time are the
# figures the command prints itself on its line "measured CPU WALL [EXTRA]"
# (the part it times, without its start-up); peak memory is the process's.
# EXTRA, when printed, is kept as fields 4 and on.
sample_inner() {
    local name=$1
    shift
    if ! build/bin/runmeasured "$samples_dir/process" "$@" >"$samples_dir/stdout" 2>"$samples_dir/stderr"; then
        echo "failed: $*" >&2
        cat "$samples_dir/stderr" >&2
        exit 1
    fi
    local inner rss
    inner=$(awk '$1 == "measured" { print $2, $3, $4, $5 }' "$samples_dir/stdout")
    rss=$(tail -n 1 "$samples_dir/process" | awk '{ print $2 }')
    if [ -z "$inner" ]; then
        echo "no measured line from: $*" >&2
        exit 1
    fi
    echo "$inner" | awk -v rss="$rss" '{ print $1, rss, $2, $3, $4 }' >>"$samples_dir/$name"
}
