# The test build: the same mingw-w64 compiler with the posix-thread runtime,
# which GoogleTest needs (std::mutex, std::condition_variable). The launcher
# the end-to-end tests run is still built with toolchain-mingw-i686.cmake,
# in a sub-build of its own (see tests/launcher/CMakeLists.txt).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(TOOLCHAIN_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER   ${TOOLCHAIN_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOOLCHAIN_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER  ${TOOLCHAIN_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

find_program(WINE_PROGRAM wine)
set(CMAKE_CROSSCOMPILING_EMULATOR ${WINE_PROGRAM})

set(LAUNCHER_THREAD_MODEL posix)
