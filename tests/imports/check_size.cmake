# Checks that the program a publisher ships is stripped and at most LIMIT
# bytes (the goal is a launcher small enough to lie in any game's folder).
#   cmake -DPROGRAM=file.exe -DOBJDUMP=objdump -DLIMIT=bytes -P check_size.cmake
cmake_minimum_required(VERSION 3.20)
foreach(var PROGRAM OBJDUMP LIMIT)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "${var} is not set")
    endif()
endforeach()
if(NOT EXISTS "${PROGRAM}")
    message(FATAL_ERROR "no program ${PROGRAM}")
endif()
file(SIZE "${PROGRAM}" size)
execute_process(COMMAND "${OBJDUMP}" -t "${PROGRAM}" OUTPUT_VARIABLE symbols RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${OBJDUMP} -t ${PROGRAM} failed: ${rc}")
endif()
# A stripped PE file has an empty symbol table: no "[  n](sec ..." entries.
if(symbols MATCHES "\\[ *[0-9]+\\]\\(sec")
    # Unwrapped, for a test that expects this refusal.
    message(STATUS "not stripped: ${PROGRAM} carries a symbol table")
    message(FATAL_ERROR "${PROGRAM} is not stripped")
endif()
if(size GREATER LIMIT)
    message(FATAL_ERROR "${PROGRAM} is ${size} bytes, over the limit of ${LIMIT}")
endif()
message(STATUS "${PROGRAM}: ${size} bytes, stripped, limit ${LIMIT}")
