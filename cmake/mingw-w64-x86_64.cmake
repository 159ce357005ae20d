# Cross-building the bench for 64-bit Windows on Debian with MinGW-w64.
#
#   cmake -S . -B build-win64 \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#         -DCMAKE_PREFIX_PATH=<Qt for Windows, as tools/build-qt-windows.sh prints it>
#
# `./setup.sh windows` does all of it, the Qt build included. The tests run
# under Wine through cmake/wine-run.sh, which CTest puts before every test
# command, so `ctest` in the build folder works as it does for the native
# build.
set(VANTER9_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
