#!/usr/bin/env bash
# Runs a Windows program of the build under Wine, as CTest does for every test
# of the cross build (CMAKE_CROSSCOMPILING_EMULATOR):
#   wine-run.sh --prefix WINEPREFIX --path DIR:DIR... PROGRAM [ARGUMENTS...]
# DIRs are searched for the DLLs the program needs (Qt's, the compiler
# runtime's). Start `wineserver -p` and one `wineboot` in the same prefix
# first, or the first program waits for Wine's services to start and they
# keep the caller's output open.
set -euo pipefail

prefix=
dll_path=
while [ $# -gt 0 ]; do
    case "$1" in
    --prefix) prefix=$2; shift 2 ;;
    --path) dll_path=$2; shift 2 ;;
    *) break ;;
    esac
done
[ $# -gt 0 ] || { echo "usage: $0 --prefix WINEPREFIX --path DIRS PROGRAM [ARGUMENTS...]" >&2; exit 2; }

# Wine maps the root of this machine to drive Z:.
windows_path() {
    local path=${1//\//\\}
    printf 'Z:%s' "$path"
}

export WINEPREFIX=${prefix:-${WINEPREFIX:-$HOME/.wine}}
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko: the tests need neither, and Wine would offer to fetch them.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

search=()
IFS=: read -r -a dirs <<<"$dll_path"
for dir in "${dirs[@]}"; do
    [ -n "$dir" ] && search+=("$(windows_path "$dir")")
done
WINEPATH=$(IFS=';'; printf '%s' "${search[*]}")
export WINEPATH

# Wine hands a program no variable whose name begins with QT_; it hands on
# WINEQT_... under the name without WINE. Qt Test logs through the debugger
# channel on Windows unless told to use standard error, and the offscreen
# platform on Windows needs to be told where fonts are.
while IFS='=' read -r name _; do
    [[ $name == QT_* ]] && export "WINE$name=${!name}"
done < <(env)
export WINEQT_FORCE_STDERR_LOGGING=1
if [ -z "${WINEQT_QPA_FONTDIR:-}" ] && [ -d /usr/share/fonts/truetype/dejavu ]; then
    export WINEQT_QPA_FONTDIR=$(windows_path /usr/share/fonts/truetype/dejavu)
fi

exec wine "$@"
