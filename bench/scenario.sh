#!/usr/bin/env bash
# A scenario of 1000 steps that each only check the window against regular
# expressions (no button pressed), run headless as a whole process: what the
# checks of a long run cost beside the start-up of the same run with one step.
# Usage: bench/scenario.sh [runs] [steps]   (default 5 and 1000)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
steps=${2:-1000}
cmake --build build --target runmeasured vanter9 --parallel 2 >/dev/null
source bench/measure.sh
work=$(mktemp -d)
trap 'rm -rf "$samples_dir" "$work"' EXIT
export QT_QPA_PLATFORM=offscreen
mkdir -p "$work/settings"

# scenario FILE STEPS
scenario() {
    {
        printf '{"name": "checks", "steps": [\n'
        for ((i = 1; i <= $2; ++i)); do
            [ "$i" -gt 1 ] && printf ',\n'
            printf '{"name": "step %d", "expect": {"errorLabelMatches": "^$", "matches": {"leAccountNumber": "^\\\\d*$", "teAuthResult": "^$|Код ответа: \\\\d+"}}}' "$i"
        done
        printf '\n]}\n'
    } >"$1"
}
scenario "$work/one.json" 1
scenario "$work/many.json" "$steps"
for name in one many; do
    if ! build/bin/vanter9 --run "$work/$name.json" --settings "$work/settings" >"$work/out" 2>&1; then
        echo "the $name-step scenario failed:" >&2
        cat "$work/out" >&2
        exit 1
    fi
done

for ((i = 0; i < runs; ++i)); do
    sample steps-1 build/bin/vanter9 --run "$work/one.json" --settings "$work/settings"
    sample "steps-$steps" build/bin/vanter9 --run "$work/many.json" --settings "$work/settings"
done
echo "whole process, CPU of the $steps-step run beyond the one-step run, per step:"
summary steps-1
summary "steps-$steps"
awk -v a="$(median "steps-$steps" 1)" -v b="$(median steps-1 1)" -v n="$steps" 'BEGIN {
    printf "per step: CPU %.3f ms\n", (a - b) / (n - 1) * 1000 }'
