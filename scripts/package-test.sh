#!/usr/bin/env bash
# Builds a program of another project (tests/package) and the component's
# example (examples/) against the browser libraries as such a project
# would: installed from a build of the suite, already built, into a
# temporary prefix and found with find_package alone; then configures the
# first with this tree added by add_subdirectory, which must bring the
# libraries only. No Wine: the programs are built, not run.
#   bash scripts/package-test.sh BUILD_DIR TOOLCHAIN_FILE
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
toolchain=$(realpath "$2")
work=$(mktemp -d "$build/package-test.XXXXXX")
trap 'rm -rf "$work"' EXIT

step() {  # what it shows, then the command: quiet unless it fails
    local what=$1
    shift
    if ! "$@" >"$work/log" 2>&1; then
        cat "$work/log" >&2
        echo "package test FAILED: $what" >&2
        exit 1
    fi
}

# BUILD_DIR TOOLCHAIN_FILE NAME: installed from that build, the outside
# program and the component's example each built with that toolchain
outside_programs() {
    local from=$1 with=$2 name=$3 program
    step "cmake --install of $from" cmake --install "$from" --prefix "$work/$name/prefix"
    for program in tests/package examples; do
        step "configure $program against the package of $from" cmake -S "$root/$program" \
            -B "$work/$name/$program" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$with" -DCMAKE_PREFIX_PATH="$work/$name/prefix"
        step "build $program against the package of $from" cmake --build "$work/$name/$program"
    done
}

outside_programs "$build" "$toolchain" tests
# The launcher's sub-build with the shipping toolchain, optimised at link
# time: its archives hold the compiler's intermediate code.
outside_programs "$build/shipping" "$root/cmake/toolchain-mingw-i686.cmake" shipping
step "configure with the tree added by add_subdirectory" cmake -S "$root/tests/package" -B "$work/added" \
    -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DBROWSER_HOST_SOURCE="$root"
echo "package test passed: a program outside the tree and the example build with find_package(BrowserHost)" \
    "on the test and the shipping build's libraries, and add_subdirectory of the tree gives the libraries only"
