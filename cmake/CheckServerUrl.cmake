# The product web server's address as a publisher sets it: an http:// or
# https:// scheme, a host and an optional port, nothing else. The launcher
# asks for /games/... at the server's root, so an address with a path would
# send every request somewhere else without a word; and the address is
# built into the program as a C string.
#   include(): launcher_check_server_url(ADDRESS) stops the configure
#   cmake -DLAUNCHER_SERVER_URL=ADDRESS -P CheckServerUrl.cmake: the same
#   as a command, the reason on one line
function(launcher_server_url_error url out)
    set(error "")
    if(NOT url MATCHES "^[Hh][Tt][Tt][Pp][Ss]?://")
        set(error "LAUNCHER_SERVER_URL must be an http:// or https:// address: ${url}")
    elseif(url MATCHES "/$")
        set(error "LAUNCHER_SERVER_URL must not end with a slash: ${url}")
    elseif(NOT url MATCHES "^[Hh][Tt][Tt][Pp][Ss]?://([A-Za-z0-9.-]+|\\[[0-9A-Fa-f:.]+\\])(:[0-9]+)?$")
        set(error "LAUNCHER_SERVER_URL must be a scheme, a host and an optional port only (no path, user name, query or other characters): ${url}")
    endif()
    set(${out} "${error}" PARENT_SCOPE)
endfunction()

function(launcher_check_server_url url)
    launcher_server_url_error("${url}" error)
    if(error)
        message(FATAL_ERROR "${error}")
    endif()
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
    launcher_server_url_error("${LAUNCHER_SERVER_URL}" error)
    if(error)
        message(NOTICE "${error}")
        message(FATAL_ERROR "refused")
    endif()
endif()
