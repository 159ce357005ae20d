#!/usr/bin/env bash
# The Windows build, run by `./setup.sh windows` once the packages are there:
# Qt for Windows (built once into the cache by build-qt-windows.sh), the
# bench, its simulated drivers and its tests cross-built into build-win64/,
# every test and shipped scenario run under Wine, and the package
# dist/vanter9-<version>-win64.zip, which is then unpacked elsewhere and a
# scenario run from it with nothing but its own files.
set -euo pipefail

cd "$(dirname "$0")/.."
root=$PWD
triple=x86_64-w64-mingw32
build_dir=$root/build-win64
start=$SECONDS

# `apt-get source` needs a deb-src entry. It is added in a file of its own,
# with the same mirrors as the machine's own entries.
if [ -z "$(apt-cache showsrc qtbase-opensource-src 2>/dev/null)" ]; then
    sudo_cmd=()
    [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
        sed 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
            "${sudo_cmd[@]}" tee /etc/apt/sources.list.d/vanter9-deb-src.sources >/dev/null
    else
        grep -h '^deb ' /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null | sed 's/^deb /deb-src /' |
            sort -u | "${sudo_cmd[@]}" tee /etc/apt/sources.list.d/vanter9-deb-src.list >/dev/null
    fi
    "${sudo_cmd[@]}" apt-get update
fi

qt_start=$SECONDS
qt_prefix=$(tools/build-qt-windows.sh "$triple" | tail -n 1)
echo "Qt for Windows: $qt_prefix ($((SECONDS - qt_start)) s)"

cmake_options=()
if command -v ccache >/dev/null; then
    cmake_options+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_PREFIX_PATH="$qt_prefix" "${cmake_options[@]}"
build_start=$SECONDS
cmake --build "$build_dir" --parallel "$(nproc)"
echo "Cross build: $((SECONDS - build_start)) s"

# One Wine prefix for the build, so nothing lands in the user's own. Wine's
# server stays up between the tests (each then starts in well under a
# second) and its services are started once beforehand, with their output
# away from CTest's pipes, which they would otherwise hold open.
export WINEPREFIX=$build_dir/wine
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$WINEPREFIX"
# A server left running in the prefix (by an earlier run or by hand) serves
# as well; starting a second one fails.
wineserver -p 2>/dev/null || true
trap 'wineserver -k 2>/dev/null || true' EXIT
wine wineboot >/dev/null 2>&1 </dev/null

# Each test keeps its settings in a folder of its own, named through
# VANTER9_SETTINGS_FOLDER. They still run one at a time: side by side under
# Wine, a program was seen to end at start-up with no output. For the same
# reason a failed test is run once more; CTest prints both runs, so a test
# that only passes the second time is still seen.
test_start=$SECONDS
test_status=0
(cd "$build_dir" && ctest --output-on-failure --timeout 300 --repeat until-pass:2) || test_status=$?
echo "Tests under Wine: $((SECONDS - test_start)) s"

# The package.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build_dir/CMakeCache.txt")
name=vanter9-$version-win64
stage=$build_dir/package/$name
rm -rf "$build_dir/package"
mkdir -p "$stage"/{platforms,styles,imageformats,translations,scenarios}
bin=$build_dir/bin
cp "$bin/vanter9.exe" "$bin/paycard.dll" "$bin/fptr.dll" "$bin/rcpprn.dll" "$bin/libsimports.dll" "$stage/"
cp "$qt_prefix/plugins/platforms/qwindows.dll" "$qt_prefix/plugins/platforms/qoffscreen.dll" "$stage/platforms/"
cp "$qt_prefix/plugins/styles/qwindowsvistastyle.dll" "$stage/styles/"
cp "$qt_prefix/plugins/imageformats/qico.dll" "$stage/imageformats/"
# qt_ru.qm only names the catalogues to load; qtbase_ru.qm holds the texts.
cp /usr/share/qt5/translations/qt_ru.qm /usr/share/qt5/translations/qtbase_ru.qm "$stage/translations/"
cp scenarios/*.json "$stage/scenarios/"
cp -r scenarios/settings "$stage/scenarios/"
cp tools/windows-readme.txt "$stage/README.txt"

# Every DLL the program and its plugins name that is Qt's or the compiler
# runtime's, followed until nothing new turns up.
runtime_dir=$(dirname "$("$triple-g++-posix" -print-file-name=libstdc++-6.dll)")
search_dirs=("$qt_prefix/bin" "$runtime_dir" "/usr/$triple/lib")
while :; do
    added=0
    while read -r dll; do
        [ -e "$stage/$dll" ] && continue
        for dir in "${search_dirs[@]}"; do
            if [ -f "$dir/$dll" ]; then
                cp "$dir/$dll" "$stage/"
                added=1
                break
            fi
        done
    done < <(find "$stage" -name '*.exe' -o -name '*.dll' | xargs "$triple-objdump" -p |
             sed -n 's/^\s*DLL Name: //p' | sort -u)
    [ $added -eq 0 ] && break
done
find "$stage" \( -name '*.exe' -o -name '*.dll' \) -exec "$triple-strip" --strip-unneeded {} +

mkdir -p dist
rm -f "dist/$name.zip"
(cd "$build_dir/package" && zip -qr -X "$root/dist/$name.zip" "$name")
echo "Package: dist/$name.zip ($(du -h "dist/$name.zip" | cut -f1))"

# The package on its own: unpacked away from the build, with no other DLL
# folder on Wine's path, it runs a shipped scenario.
check_dir=$build_dir/package-check
rm -rf "$check_dir"
mkdir -p "$check_dir"
(cd "$check_dir" && unzip -q "$root/dist/$name.zip")
package_status=0
(
    cd "$check_dir/$name"
    WINEPATH= WINEQT_QPA_PLATFORM=offscreen WINEQT_QPA_FONTDIR='Z:\usr\share\fonts\truetype\dejavu' \
        wine vanter9.exe --run scenarios/cash-desk-day.json --settings scenarios/settings/standard \
        --report scenario-report.xml
) || package_status=$?
if [ $package_status -ne 0 ]; then
    echo "The unpacked package failed its scenario (exit code $package_status)" >&2
fi

echo "Windows build: $((SECONDS - start)) s"
[ $test_status -eq 0 ] && [ $package_status -eq 0 ]
