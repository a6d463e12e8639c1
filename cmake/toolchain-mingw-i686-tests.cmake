# The test build: the same mingw-w64 compiler with the posix-thread runtime,
# which GoogleTest needs (std::mutex, std::condition_variable). The launcher
# the end-to-end tests run is still built with toolchain-mingw-i686.cmake,
# in a sub-build of its own (see tests/launcher/CMakeLists.txt).
set(LAUNCHER_THREAD_MODEL posix)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
