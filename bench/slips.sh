#!/usr/bin/env bash
# A 1 MB and a 4 MB slip from the terminal, broken into lines and shown in the
# slip view of a window that is on screen (headless): the time each takes
# from the click until the slip tab shows it, their ratio (4 is linear), the
# longest the window could not react while it happened or after, and the CPU
# time from the click until the view has laid out the whole slip.
# Usage: bench/slips.sh [runs]   (default 20 of each, interleaved)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-20}
cmake --build build --target runmeasured opbench --parallel "$(nproc)" >/dev/null
source bench/measure.sh
export QT_QPA_PLATFORM=offscreen

small=$((1 << 20))
large=$((4 << 20))
for ((i = 0; i < runs; ++i)); do
    sample_inner slip-1MB build/bin/opbench slip "$small"
    sample_inner slip-4MB build/bin/opbench slip "$large"
done
echo "characters: $small and $large; CPU and wall time from the click to the slip shown, peak memory of the process"
summary slip-1MB
summary slip-4MB
ratio slip-4MB slip-1MB
for name in slip-1MB slip-4MB; do
    column "$name" 4 | awk -v n="$name" '{ v[NR] = $1 } END {
        printf "%s longest stall of the window: %.3f / %.3f / %.3f s (min / median / max)\n", n, v[1], (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2, v[NR] }'
done
for name in slip-1MB slip-4MB; do
    column "$name" 5 | awk -v n="$name" '{ v[NR] = $1 } END {
        printf "%s CPU until the whole slip is laid out: %.3f / %.3f / %.3f s (min / median / max)\n", n, v[1], (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2, v[NR] }'
done
awk -v a="$(median slip-4MB 5)" -v b="$(median slip-1MB 5)" 'BEGIN {
    printf "slip-4MB / slip-1MB (medians), CPU until laid out: %.2f\n", a / b }'
