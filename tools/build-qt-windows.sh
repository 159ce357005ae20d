#!/usr/bin/env bash
# Builds the part of Qt 5 the bench needs for Windows (qtbase: core, gui,
# widgets, xml, testlib; the windows, offscreen and minimal platforms; the
# ico image and windowsvista style plugins) from Debian's own qtbase source
# package with MinGW-w64, once, into a cache outside the work tree.
#
#   tools/build-qt-windows.sh [TRIPLE]          (x86_64-w64-mingw32 unless given)
#   tools/build-qt-windows.sh --cached [TRIPLE] only tells whether the build is
#                                               in the cache (exit code 0) or not
#
# Prints the installed Qt prefix as its last line of standard output. The
# cache folder is named after the Qt version, the target and a digest of the
# configure options, so a change of either builds afresh beside the old one
# and a finished build is never rebuilt. An interrupted build resumes where it
# stopped the next time. Progress goes to a log in the cache folder; the
# build runs at the lowest priority so it can share the machine.
set -euo pipefail

only_check=false
if [ "${1:-}" = --cached ]; then
    only_check=true
    shift
fi
triple=${1:-x86_64-w64-mingw32}
cache_root=${XDG_CACHE_HOME:-$HOME/.cache}/vanter9
jobs=${QT_BUILD_JOBS:-2}

# The package's version, without the Debian revision, names the cache; the
# full version is recorded inside it.
package_version=$(apt-cache showsrc qtbase-opensource-src 2>/dev/null |
    sed -n 's/^Version: //p' | sort -V | tail -n 1)
if [ -z "$package_version" ]; then
    echo "The qtbase source package is unknown to apt: a deb-src entry and 'apt-get update' are needed." >&2
    exit 1
fi
qt_version=${package_version%%+*}
qt_version=${qt_version%%-*}

# The Windows build of the bench needs only these; everything else of qtbase
# is left out to halve the build. The DFSG tarball has no wintab headers
# (hence no tablet events) and no SQLite source. Bundled third-party libraries
# are used since the target has none of Debian's.
configure_options=(
    -xplatform win32-g++
    -device-option "CROSS_COMPILE=$triple-"
    -release -shared -opensource -confirm-license
    -nomake examples -nomake tests
    -no-opengl -no-dbus -no-icu -no-vulkan -no-libjpeg -no-fontconfig
    -qt-zlib -qt-libpng -qt-freetype -qt-harfbuzz -qt-pcre
    -no-sql-sqlite -no-feature-sql -no-feature-network -no-feature-concurrent
    -no-feature-printer -no-feature-tabletevent -no-feature-direct2d
)
options_digest=$(printf '%s\n' "$package_version" "$triple" "${configure_options[@]}" |
    sha256sum | cut -c1-12)
cache_dir=$cache_root/qt-$qt_version-$triple-$options_digest
prefix=$cache_dir/install

if [ -f "$cache_dir/complete" ]; then
    echo "$prefix"
    exit 0
fi
if $only_check; then
    exit 1
fi

mkdir -p "$cache_dir"
log=$cache_dir/build.log
echo "Building Qt $qt_version for $triple into $cache_dir (about 25 minutes with $jobs jobs; log: $log)" >&2

# Debian lets the plain compiler names choose between the win32 and POSIX
# thread models; the bench needs std::thread, so the POSIX compilers are put
# first on the path under the plain names Qt's mkspec calls.
tool_dir=$cache_dir/toolbin
mkdir -p "$tool_dir"
for tool in gcc g++; do
    if ! command -v "$triple-$tool-posix" >/dev/null; then
        echo "$triple-$tool-posix is missing (the MinGW-w64 POSIX-threads compiler)" >&2
        exit 1
    fi
    ln -sf "$(command -v "$triple-$tool-posix")" "$tool_dir/$triple-$tool"
done
export PATH=$tool_dir:$PATH

source_parent=$cache_dir/source
if [ ! -f "$source_parent/unpacked" ]; then
    rm -rf "$source_parent"
    mkdir -p "$source_parent"
    (cd "$source_parent" && apt-get source "qtbase-opensource-src=$package_version") >>"$log" 2>&1
    touch "$source_parent/unpacked"
fi
source_dir=$(find "$source_parent" -mindepth 1 -maxdepth 1 -type d -name 'qtbase-opensource-src-*' | head -n 1)

build_dir=$cache_dir/build
mkdir -p "$build_dir"
cd "$build_dir"
if [ ! -f configured ]; then
    {
        echo "== configure: ${configure_options[*]}"
        nice -n 19 "$source_dir/configure" -prefix "$prefix" "${configure_options[@]}"
    } >>"$log" 2>&1
    touch configured
fi
echo "== build" >>"$log"
if ! nice -n 19 make -j"$jobs" >>"$log" 2>&1; then
    echo "The Qt build failed; the end of $log:" >&2
    tail -n 30 "$log" >&2
    exit 1
fi
echo "== install" >>"$log"
nice -n 19 make install >>"$log" 2>&1
echo "$package_version" >"$prefix/debian-source-version"

# What stays in the cache is the installed Qt (about 100 MB); the source and
# the objects are a gigabyte more and serve nothing once it is installed.
cd "$cache_dir"
rm -rf "$build_dir" "$source_parent"
touch "$cache_dir/complete"
echo "$prefix"
