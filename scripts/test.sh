#!/usr/bin/env bash
# Installs what is missing, builds the programs and the tests for 32-bit
# Windows (64-bit where this machine runs no 32-bit code, as
# scripts/winearch.sh tells), and runs the whole suite under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

# The choice of Wine, made once here, holds for every step below.
source scripts/install-deps.sh
deps_install

# The scripts' own tests: shell, not Windows programs.
bash tests/scripts/scripts_test.sh

port=${TEST_HTTP_PORT:-18124}
if [ "$LAUNCHER_WINE_BITS" = 64 ]; then
    echo "$LAUNCHER_WINE_REASON: the tests run as 64-bit programs" >&2
    build=build/test-x64
    toolchain=cmake/toolchain-mingw-x86_64-tests.cmake
else
    build=build/test
    toolchain=cmake/toolchain-mingw-i686-tests.cmake
fi
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DLAUNCHER_SERVER_URL="http://127.0.0.1:$port" \
    -DLAUNCHER_CAPTION='Test "Café" \ Launcher' >/dev/null
cmake --build "$build"
# A program of another project builds against the installed libraries.
bash scripts/package-test.sh "$build" "$toolchain"

export HARNESS_KEEPER="$build/tests/desktop_keeper.exe"
source scripts/harness.sh
trap harness_stop EXIT
rm -rf "$build/http-root"
harness_start "$build" "$port" "$build/http-root"

# One test at a time: they share one display, one focus and one server.
status=0
ctest --test-dir "$build" --output-on-failure --timeout 180 "$@" || status=$?

# Which program the end-to-end tests ran: a green run of the 64-bit twin is
# not a run of the program that ships.
ran=$(sed -n 's/^RUNNABLE_LAUNCHER_EXE:INTERNAL=//p' "$build/CMakeCache.txt")
if [ "$ran" = "$(sed -n 's/^SHIPPING_LAUNCHER_EXE:INTERNAL=//p' "$build/CMakeCache.txt")" ]; then
    echo "the end-to-end tests ran the 32-bit program that ships, $ran"
else
    echo "the end-to-end tests ran the 64-bit twin of the program that ships, $ran ($LAUNCHER_WINE_REASON)"
fi
exit $status
