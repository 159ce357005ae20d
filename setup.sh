#!/usr/bin/env bash
# Sets the bench up on a Debian 12 machine and either starts it or runs the
# whole test suite:
#   ./setup.sh run    install what is missing, build, start the bench
#   ./setup.sh test   install what is missing, build, run every test
# Run as root (or through sudo) the first time, so missing packages can be
# installed; later runs install nothing and rebuild incrementally.
set -euo pipefail

cd "$(dirname "$0")"
mode=${1:-run}
build_dir=build

packages=(cmake make g++ qtbase5-dev qtbase5-dev-tools qttranslations5-l10n fonts-dejavu-core)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi

cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build_dir" --parallel "$(nproc)"

case "$mode" in
run)
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
        echo "The bench is built in $build_dir/bin; start it from a desktop session: $build_dir/bin/vanter9" >&2
        exit 1
    fi
    exec "$build_dir/bin/vanter9"
    ;;
test)
    cd "$build_dir"
    exec ctest --output-on-failure --parallel "$(nproc)" --timeout 600
    ;;
*)
    echo "usage: $0 [run|test]" >&2
    exit 2
    ;;
esac
