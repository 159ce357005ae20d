#!/usr/bin/env bash
# Sets the bench up on a Debian 12 machine and either starts it or runs the
# whole test suite:
#   ./setup.sh run       install what is missing, build, start the bench
#   ./setup.sh test      install what is missing, build, run every test
#   ./setup.sh sanitize  the whole suite again, built with AddressSanitizer
#                        and UndefinedBehaviorSanitizer in build-asan/
#   ./setup.sh fuzz [N]  N settings files (100000 unless given) through the
#                        loader in the sanitizer build
#   ./setup.sh faults    saving under faults at length: 200 kills during
#                        shut-down, 50 full disks, 20 folders refusing new files
#   ./setup.sh windows   cross-build for Windows into build-win64/ (Qt for
#                        Windows built once into ~/.cache/vanter9/), run the
#                        tests and scenarios under Wine, write dist/*.zip
# Run as root (or through sudo) the first time, so missing packages can be
# installed; later runs install nothing and rebuild incrementally.
set -euo pipefail

cd "$(dirname "$0")"
mode=${1:-run}
build_dir=build

usage() {
    echo "usage: $0 [run|test|sanitize|fuzz [N]|faults|windows]" >&2
    exit 2
}
# A mistyped mode is refused before anything is installed or built.
case "$mode" in
run|test|sanitize|fuzz|faults|windows) ;;
*) usage ;;
esac

packages=(cmake make g++ qtbase5-dev qtbase5-dev-tools qttranslations5-l10n fonts-dejavu-core)
if [ "$mode" = windows ]; then
    packages+=(g++-mingw-w64-x86-64-posix wine wine64 dpkg-dev zip unzip)
fi

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

if [ "$mode" = windows ]; then
    exec tools/build-windows.sh
fi

cmake_options=()
case "$mode" in
sanitize|fuzz)
    build_dir=build-asan
    cmake_options=(-DPAYCARDBENCH_SANITIZE=ON)
    ;;
esac
# ccache, where installed, spares the second build most of its time.
if command -v ccache >/dev/null; then
    cmake_options+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${cmake_options[@]}"
cmake --build "$build_dir" --parallel "$(nproc)"

# Any sanitizer report fails the process. The toolkit's headless platform
# plugin leaks at exit; the suppression file names it and nothing else, and
# full allocation stacks are needed for it to be recognised.
export LSAN_OPTIONS="suppressions=$PWD/tests/sanitizers/lsan.supp:print_suppressions=0"
export ASAN_OPTIONS="fast_unwind_on_malloc=0:detect_leaks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

case "$mode" in
run)
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
        echo "The bench is built in $build_dir/bin; start it from a desktop session: $build_dir/bin/vanter9" >&2
        exit 1
    fi
    exec "$build_dir/bin/vanter9"
    ;;
test|sanitize)
    cd "$build_dir"
    exec ctest --output-on-failure --parallel "$(nproc)" --timeout 900
    ;;
fuzz)
    # The fuzzer runs on the minimal platform, which leaves no toolkit leak
    # to recognise, so it keeps the cheap allocation stacks: the full ones
    # cost seconds per large input.
    export ASAN_OPTIONS="fast_unwind_on_malloc=1:detect_leaks=1"
    exec "$build_dir/bin/settingsfuzz" --inputs "${2:-100000}"
    ;;
faults)
    exec "$build_dir/bin/savefaults" --devices 1000 --kills 200 --full-disk 50 --refusing-folder 20
    ;;
esac
