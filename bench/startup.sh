#!/usr/bin/env bash
# Start-up to the first paint and shut-down with 1, 1000 and 4000 saved
# terminal devices (and as many registers): CPU time, peak memory and wall
# time, the cost per added device and how it grows, and the same starts
# with the simulated drivers as they were before they stopped formatting
# their trace when tracing is off, run side by side.
# Usage: bench/startup.sh [runs] [count...]   (default 20 of each, interleaved)
# Counts given after the runs replace 1000 and 4000 (the one-device start is
# always measured) and leave out the old drivers, e.g. `bench/startup.sh 5
# 1000 20000`; the growth is then that of the last count over the first.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-20}
counts=(1 1000 4000)
compare_old=yes
if [ $# -gt 1 ]; then
    counts=(1 "${@:2}")
    compare_old=no
fi
sizes=("${counts[@]:1}")
first=${sizes[0]}
last=${sizes[${#sizes[@]}-1]}
# The last commit whose simulated drivers formatted their trace on every call.
old_commit=2849183

cmake --build build --target runmeasured firstpaint_bench --parallel "$(nproc)" >/dev/null
source bench/measure.sh
work=$(mktemp -d)
trap 'rm -rf "$samples_dir" "$work"' EXIT
export QT_QPA_PLATFORM=offscreen

# The old drivers, built once with the same compiler and build type, beside a
# copy of today's program: the program loads its drivers from its own
# directory, so only the drivers differ between the two.
variants=(now)
old=build/bench-old
if [ "$compare_old" = yes ] && [ ! -f "$old/bin/libpaycard.so" ]; then
    if git cat-file -e "$old_commit^{commit}" 2>/dev/null; then
        echo "building the simulated drivers of $old_commit in $old (once)" >&2
        rm -rf "$old"
        mkdir -p "$old/src" "$old/bin"
        git archive "$old_commit" | tar -x -C "$old/src"
        build_type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' build/CMakeCache.txt)
        launcher=$(sed -n 's/^CMAKE_CXX_COMPILER_LAUNCHER:[A-Z]*=//p' build/CMakeCache.txt)
        cmake -S "$old/src" -B "$old/build" -DBUILD_TESTING=OFF -DCMAKE_BUILD_TYPE="$build_type" \
            ${launcher:+-DCMAKE_CXX_COMPILER_LAUNCHER="$launcher"} >/dev/null
        cmake --build "$old/build" --target paycard fptr rcpprn --parallel "$(nproc)" >/dev/null
        cp "$old"/build/bin/lib*.so "$old/bin/"
    else
        echo "commit $old_commit is not in this clone: no comparison with the old drivers" >&2
    fi
fi
if [ "$compare_old" = yes ] && [ -f "$old/bin/libpaycard.so" ]; then
    cp build/bin/firstpaint_bench "$old/bin/"
    variants+=(before)
fi
program() { if [ "$1" = now ]; then echo build/bin/firstpaint_bench; else echo "$old/bin/firstpaint_bench"; fi; }

# One settings directory per variant and count. The first start saves the
# default device; its object is then repeated, and one more start settles
# both files (the register list is rebuilt to the same length) in the form
# the program itself writes them.
for variant in "${variants[@]}"; do
    for count in "${counts[@]}"; do
        config="$work/$variant-$count"
        files="$config/ORVA/vanter9"
        XDG_CONFIG_HOME=$config "$(program "$variant")" >/dev/null 2>&1
        saved=$(<"$files/paycard.cfg")
        object="<object${saved#*<object}"
        object="${object%%</object>*}</object>"
        {
            printf '%s' "${saved%%<object*}"
            for ((i = 0; i < count; ++i)); do printf '%s' "$object"; done
            printf '%s' "${saved##*</object>}"
        } >"$files/paycard.cfg"
        rm -f "$files/paycard_fptr.cfg"
        XDG_CONFIG_HOME=$config "$(program "$variant")" >/dev/null 2>&1
        for file in paycard.cfg paycard_fptr.cfg; do
            found=$(grep -o '<object' "$files/$file" | wc -l)
            if [ "$found" -ne "$count" ]; then
                echo "$variant: $file holds $found devices, expected $count" >&2
                exit 1
            fi
        done
    done
done

for ((i = 0; i < runs; ++i)); do
    for count in "${counts[@]}"; do
        for variant in "${variants[@]}"; do
            sample "$variant-$count" env XDG_CONFIG_HOME="$work/$variant-$count" "$(program "$variant")"
        done
    done
done

for variant in "${variants[@]}"; do
    for count in "${counts[@]}"; do summary "$variant-$count"; done
done

# per_device VARIANT COUNT FIELD: growth of the median over the one-device
# start, per added device.
per_device() { awk -v a="$(median "$1-$3" "$2")" -v b="$(median "$1-1" "$2")" -v n="$3" 'BEGIN { print (a - b) / (n - 1) }'; }

echo
for variant in "${variants[@]}"; do
    for count in "${sizes[@]}"; do
        awk -v v="$variant" -v n="$count" -v c="$(per_device "$variant" 1 "$count")" \
            -v m="$(per_device "$variant" 2 "$count")" -v w="$(per_device "$variant" 3 "$count")" 'BEGIN {
            printf "%-6s per device, %4d devices: CPU %.1f us, peak memory %.1f KiB, wall %.1f us\n", v, n, c * 1e6, m, w * 1e6 }'
    done
done
if [ "$first" != "$last" ]; then
    for variant in "${variants[@]}"; do
        awk -v v="$variant" -v a="$first" -v b="$last" \
            -v c1="$(per_device "$variant" 1 "$first")" -v c4="$(per_device "$variant" 1 "$last")" \
            -v m1="$(per_device "$variant" 2 "$first")" -v m4="$(per_device "$variant" 2 "$last")" 'BEGIN {
            printf "%-6s per-device cost %d / %d devices: CPU %.2f, peak memory %.2f (1 is linear growth)\n", v, b, a, c4 / c1, m4 / m1 }'
    done
fi
if [ "${#variants[@]}" -gt 1 ]; then
    for count in "${sizes[@]}"; do
        awk -v n="$count" -v a="$(per_device now 1 "$count")" -v b="$(per_device before 1 "$count")" \
            -v ma="$(per_device now 2 "$count")" -v mb="$(per_device before 2 "$count")" 'BEGIN {
            printf "per-device cost now / before, %4d devices: CPU %.2f (%.0f%% less), peak memory %.2f\n", n, a / b, (1 - a / b) * 100, ma / mb }'
    done
fi
