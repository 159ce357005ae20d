#!/usr/bin/env bash
# 1000 authorizations through the window with and without the call journal,
# on the first and on the last of 10,000 saved terminals: whether a journal
# line costs the same wherever its device sits in the list.
# Usage: bench/journal.sh [runs] [devices] [authorizations]   (default 5, 10000, 1000)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
devices=${2:-10000}
count=${3:-1000}
cmake --build build --target runmeasured opbench --parallel 2 >/dev/null
source bench/measure.sh
export QT_QPA_PLATFORM=offscreen

for ((i = 0; i < runs; ++i)); do
    for device in first last; do
        for way in plain journal; do
            sample_inner "$device-$way" build/bin/opbench journal "$devices" "$device" "$way" "$count"
        done
    done
done
echo "$count authorizations per run on the first or last of $devices terminals; CPU and wall time of the authorizations alone"
for device in first last; do
    summary "$device-plain"
    summary "$device-journal"
done
ratio first-journal first-plain
ratio last-journal last-plain
