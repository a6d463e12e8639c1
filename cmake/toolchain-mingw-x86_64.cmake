# The launcher built as the shipped one is (win32-thread runtime, size
# optimised, stripped), for 64-bit Windows: what the end-to-end tests, the
# demo and the benchmarks run on machines that cannot run 32-bit x86 code.
set(LAUNCHER_THREAD_MODEL win32)
set(LAUNCHER_TARGET_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
