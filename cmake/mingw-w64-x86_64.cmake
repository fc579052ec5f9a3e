# Cross-build for 64-bit Windows from Debian with MinGW-w64 (package
# g++-mingw-w64-x86-64-posix). Tests run under Wine through CTest:
#   cmake -S . -B build-win -G Ninja \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUARLO_MINGW_PREFIX x86_64-w64-mingw32)
# The posix thread model gives std::thread and std::mutex; the win32 one lacks them.
set(CMAKE_C_COMPILER ${QUARLO_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUARLO_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${QUARLO_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QUARLO_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Every program is a single file that needs no DLL beyond the system's, so it
# runs as copied and Wine finds nothing missing.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs run under Wine in a prefix of the build's own, without debug
# chatter and without the dialogs offering to install Mono or Gecko, and with a
# data folder of the build's own: Wine's Recycle Bin is the trash in it.
find_program(QUARLO_WINE NAMES wine wine64 REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR
    /usr/bin/env
    "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix"
    WINEDEBUG=-all
    "XDG_DATA_HOME=${CMAKE_BINARY_DIR}/xdg-data"
    "WINEDLLOVERRIDES=mscoree,mshtml="
    ${QUARLO_WINE})
