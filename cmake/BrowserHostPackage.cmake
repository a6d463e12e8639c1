# The browser libraries as a CMake package: BrowserHost::framework,
# ::support, ::host and ::component, the same names inside this build
# (for a project that adds this tree with add_subdirectory) and from
# find_package(BrowserHost CONFIG) on an installed copy. Each library's
# CMakeLists.txt installs its headers.
include(CMakePackageConfigHelpers)

set(browser_host_libraries framework browser_support browser_host browser_component)
foreach(library ${browser_host_libraries})
    string(REGEX REPLACE "^browser_" "" name ${library})
    add_library(BrowserHost::${name} ALIAS ${library})
    # An installed libframework.a would say nothing of where it came from.
    set_target_properties(${library} PROPERTIES EXPORT_NAME ${name} OUTPUT_NAME browserhost_${name})
endforeach()

# The archives of an optimised shipping build hold GCC's intermediate code
# for link-time optimisation, not machine code. The linker plugin then
# optimises them in the link of any program that uses them, where the
# binutils of mingw-w64 refuse inline functions that are also in the
# program's own plain objects ("multiple definition"), and GCC 12 fails on
# this code when it splits it into partitions. Such archives bring those two
# needs along: the program is compiled and linked for link-time optimisation
# too, in one partition. (This build's own programs are already.)
if(CMAKE_INTERPROCEDURAL_OPTIMIZATION_RELEASE AND CMAKE_BUILD_TYPE STREQUAL "Release")
    target_compile_options(framework INTERFACE $<INSTALL_INTERFACE:-flto>)
    target_link_options(framework INTERFACE "$<INSTALL_INTERFACE:-flto;-flto-partition=one>")
endif()

set(package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/BrowserHost)
install(TARGETS ${browser_host_libraries} EXPORT BrowserHostTargets
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(EXPORT BrowserHostTargets NAMESPACE BrowserHost:: DESTINATION ${package_dir})
# A copy for another architecture (32 against 64 bits) is refused by the
# pointer size this file records.
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/BrowserHostConfigVersion.cmake
    COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/BrowserHostConfig.cmake
    ${CMAKE_CURRENT_BINARY_DIR}/BrowserHostConfigVersion.cmake DESTINATION ${package_dir})
