# Cross-building the bench for 32-bit Windows, which is what loads the 32-bit
# driver DLLs most vendors ship. It needs, besides what the 64-bit build
# needs:
#   - the i686 compiler with POSIX threads (g++-mingw-w64-i686-posix);
#   - Qt built for i686: tools/build-qt-windows.sh i686-w64-mingw32;
#   - for the tests, 32-bit Wine: dpkg --add-architecture i386, apt-get
#     update, apt-get install wine32:i386.
# The driver interfaces use stdcall there, which MinGW decorates
# (CreatePayCardInterface@4); CMakeLists.txt links the driver modules with
# --kill-at so they export the plain names the bench resolves.
set(VANTER9_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
