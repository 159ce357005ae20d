#!/usr/bin/env bash
# Start-up plus shut-down time with 1, 1000 and 4000 saved terminal devices.
# Usage: bench/startup.sh [repeats]   (after ./setup.sh has built the bench)
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --build build --target startupbench --parallel "$(nproc)" >/dev/null
QT_QPA_PLATFORM=offscreen build/bin/startupbench "${1:-3}"
