# find_package(BrowserHost CONFIG REQUIRED), then
#     target_link_libraries(app PRIVATE BrowserHost::component)
# brings the headers' folder, C++17 and the Windows libraries the component,
# its host, its support and the framework link.
#
# The libraries are static archives built by mingw-w64's GCC; a program built
# with the same compiler (the same target and thread variant: its libstdc++
# and exception handling are the ones the archives were compiled against)
# links them as it is. No link options come with them: whether the program
# links its C++ runtime in (-static, as the launcher does so that no DLL lies
# beside it) or ships libstdc++'s and libgcc's DLLs (and libwinpthread's with
# the posix variant) is its own choice. Only archives built for link-time
# optimisation (a Release build with a shipping toolchain) bring -flto and
# one partition, which linking them needs.
include(${CMAKE_CURRENT_LIST_DIR}/BrowserHostTargets.cmake)
