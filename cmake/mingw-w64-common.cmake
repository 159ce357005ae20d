# What the MinGW-w64 toolchain files share; VANTER9_MINGW_TRIPLE names the
# target.
set(CMAKE_SYSTEM_NAME Windows)
if(VANTER9_MINGW_TRIPLE MATCHES "^x86_64")
    set(CMAKE_SYSTEM_PROCESSOR AMD64)
else()
    set(CMAKE_SYSTEM_PROCESSOR x86)
endif()

# Debian ships each MinGW-w64 compiler twice, with win32 and with POSIX
# threads, and lets an alternative choose the plain name. The program uses
# std::thread and std::mutex, which only the POSIX one has.
set(CMAKE_C_COMPILER ${VANTER9_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VANTER9_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VANTER9_MINGW_TRIPLE}-windres)

# Headers and libraries of the target only; programs (Qt's moc, uic and rcc
# among them, which the Qt build made for this machine) from this machine.
set(CMAKE_FIND_ROOT_PATH /usr/${VANTER9_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Qt for Windows lives in a cache outside the root, given by CMAKE_PREFIX_PATH.
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# The folders Wine searches for the DLLs a test needs: Qt's, the compiler's
# runtime and the program's own bin/ (tests in subfolders of bin/ use them
# from there).
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libstdc++-6.dll
    OUTPUT_VARIABLE vanter9_libstdcxx OUTPUT_STRIP_TRAILING_WHITESPACE)
get_filename_component(vanter9_runtime_dir "${vanter9_libstdcxx}" DIRECTORY)
set(vanter9_dll_path "${CMAKE_BINARY_DIR}/bin" "${vanter9_runtime_dir}" "/usr/${VANTER9_MINGW_TRIPLE}/lib")
foreach(prefix ${CMAKE_PREFIX_PATH})
    list(APPEND vanter9_dll_path "${prefix}/bin")
endforeach()
string(REPLACE ";" ":" vanter9_dll_path "${vanter9_dll_path}")
set(CMAKE_CROSSCOMPILING_EMULATOR
    ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh --prefix ${CMAKE_BINARY_DIR}/wine --path ${vanter9_dll_path})
