# Cross-builds the Windows programs (64-bit) on Debian with g++-mingw-w64-x86-64-posix:
#
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/x86_64-w64-mingw32.cmake && cmake --build build-win -j2
#
# Every program is linked statically (the C and C++ runtimes and the thread library included), so
# each .exe runs on its own, with no DLL beside it. The tests run under wine (cmake/Wine.cmake).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(DROVANE_MINGW_PREFIX x86_64-w64-mingw32)
# The posix flavour of the compiler has std::thread and std::mutex (through winpthreads).
set(CMAKE_C_COMPILER ${DROVANE_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${DROVANE_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${DROVANE_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${DROVANE_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
