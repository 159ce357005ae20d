#!/usr/bin/env bash
# The device list with many saved terminals: opening its popup (10,000 and
# 20,000 terminals), and closing the window with nothing changed or with one
# terminal renamed (10,000 terminals), when the settings files are saved.
# Usage: bench/devicelist.sh [runs]   (default 5 of each, interleaved)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
cmake --build build --target runmeasured opbench --parallel 2 >/dev/null
source bench/measure.sh
export QT_QPA_PLATFORM=offscreen

for ((i = 0; i < runs; ++i)); do
    for devices in 10000 20000; do
        sample_inner "popup-$devices" build/bin/opbench popup "$devices"
    done
    for change in same renamed; do
        sample_inner "shutdown-$change" build/bin/opbench shutdown 10000 "$change"
    done
done
echo "CPU and wall time of opening the device list, and of closing the window with 10000 terminals"
summary popup-10000
summary popup-20000
summary shutdown-same
summary shutdown-renamed
ratio shutdown-same shutdown-renamed
