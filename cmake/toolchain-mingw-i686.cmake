# The shipping build: 32-bit Windows with Debian's mingw-w64, win32-thread
# runtime. The posix-thread runtime links winpthreads, which imports
# GetTickCount64 and so stops the program from loading on Windows XP; the
# launcher starts no threads and needs none of it.
# Read by the project too: GoogleTest needs std::mutex, which this runtime
# lacks, so the tests build with toolchain-mingw-i686-tests.cmake.
set(LAUNCHER_THREAD_MODEL win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
