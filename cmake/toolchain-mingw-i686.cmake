# The shipping build: 32-bit Windows with Debian's mingw-w64, win32-thread
# runtime. The posix-thread runtime links winpthreads, which imports
# GetTickCount64 and so stops the program from loading on Windows XP; the
# launcher starts no threads and needs none of it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(TOOLCHAIN_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER   ${TOOLCHAIN_PREFIX}-gcc-win32)
set(CMAKE_CXX_COMPILER ${TOOLCHAIN_PREFIX}-g++-win32)
set(CMAKE_RC_COMPILER  ${TOOLCHAIN_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

find_program(WINE_PROGRAM wine)
set(CMAKE_CROSSCOMPILING_EMULATOR ${WINE_PROGRAM})

# Read by the project: GoogleTest needs std::mutex, which this runtime lacks,
# so the tests build with toolchain-mingw-i686-tests.cmake.
set(LAUNCHER_THREAD_MODEL win32)
