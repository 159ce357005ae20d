#!/usr/bin/env bash
# Start-up to the first paint, headless: the bench with one saved device
# against two floors built with the same toolkit and quit the same way, a
# bare QMainWindow and the bench's form with its style sheet and translation.
# Usage: bench/firstpaint.sh [runs]   (default 20 of each, interleaved)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-20}
cmake --build build --target runmeasured firstpaint_bench firstpaint_bare firstpaint_form --parallel "$(nproc)" >/dev/null
source bench/measure.sh

config=$(mktemp -d)
trap 'rm -rf "$samples_dir" "$config"' EXIT
export QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME=$config
# The first start finds no settings and saves its default device; every
# measured start then loads that one device and saves it again.
build/bin/firstpaint_bench >/dev/null 2>&1
if ! grep -q '<object' "$config"/ORVA/vanter9/paycard.cfg; then
    echo "the bench saved no device; are the simulated drivers in build/bin?" >&2
    exit 1
fi

for ((i = 0; i < runs; ++i)); do
    sample bench build/bin/firstpaint_bench
    sample form-floor build/bin/firstpaint_form
    sample bare-window build/bin/firstpaint_bare
done
summary bench
summary form-floor
summary bare-window
ratio bench form-floor
ratio bench bare-window
ratio form-floor bare-window
