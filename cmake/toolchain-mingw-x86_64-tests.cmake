# The test build for machines that cannot run 32-bit x86 code (a kernel
# without IA-32 emulation runs neither Wine's 32-bit loader nor its WoW64
# mode): the same sources as 64-bit Windows programs under Wine's 64-bit
# loader, with the posix-thread runtime that GoogleTest needs. What ships
# stays the 32-bit program of toolchain-mingw-i686.cmake, which these tests
# still check for its imports and size.
set(LAUNCHER_THREAD_MODEL posix)
set(LAUNCHER_TARGET_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
