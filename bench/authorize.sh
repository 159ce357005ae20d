#!/usr/bin/env bash
# 1000 authorizations through the window's own button with the simulated
# terminal (no delay) against the same driver calls made directly, with the
# two text views filled with the same texts, and with the raw values.
# Usage: bench/authorize.sh [runs] [authorizations]   (default 20 and 1000)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-20}
count=${2:-1000}
cmake --build build --target runmeasured opbench --parallel "$(nproc)" >/dev/null
source bench/measure.sh
export QT_QPA_PLATFORM=offscreen

# The comparison means something only if both ways ask the driver the same.
build/bin/opbench check 2>/dev/null

for ((i = 0; i < runs; ++i)); do
    for way in window direct direct-raw; do
        sample_inner "$way" build/bin/opbench authorize "$way" "$count"
    done
done
echo "$count authorizations per run; CPU and wall time of the authorizations alone, peak memory of the process"
summary window
summary direct
summary direct-raw
ratio window direct
ratio window direct-raw
