#!/usr/bin/env bash
# Installs what is missing, builds the shipping launcher and the benchmark
# programs of bench/ with the shipping toolchain, and prints a table of
# ratios measured in this one run (absolute times differ between machines).
#   bash scripts/bench.sh [START_UP_RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
here=$(pwd)
runs=${1:-9}

bash scripts/install-deps.sh

port=${BENCH_HTTP_PORT:-18150}
build=build/bench
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-i686.cmake \
    -DCMAKE_BUILD_TYPE=Release -DLAUNCHER_BUILD_BENCH=ON \
    -DLAUNCHER_SERVER_URL="http://127.0.0.1:$port" >/dev/null
cmake --build "$build" --target launcher demo_game bare_host startup_bench mouse_hook_bench wait_bench

game="$build/game"
rm -rf "$game" "$build/site"
mkdir -p "$game"
cp "$build/launcher/launcher.exe" "$build/demo/game.exe" "$game/"
cp -r demo/site "$build/site"
# The demo's configuration names the demo server's port; here the page comes
# from the benchmark's server.
sed -i "s#http://127.0.0.1:8123/#http://127.0.0.1:$port/#" "$build/site/games/pgame.ini"

source scripts/harness.sh
trap harness_stop EXIT
if [ ! -f "$build/wineprefix/system.reg" ]; then
    # Wine goes on setting up a new prefix during its first session, which
    # slows every program started meanwhile: measure in a later session.
    harness_start "$build"
    harness_stop
fi
harness_start "$build" "$port" "$build/site"

page="http://127.0.0.1:$port/games/pads.html"
startup=$(wine "$build/bench/startup_bench.exe" "$runs" "$(winepath -w "$game/launcher.exe")" \
    "$(winepath -w "$build/bench/bare_host.exe")" "$page")
# A server that takes ten minutes: the document does not complete in the run.
wait_share=$(wine "$build/bench/wait_bench.exe" "http://127.0.0.1:$port/slow/600000/games/pads.html" 3000)
mouse=$(wine "$build/bench/mouse_hook_bench.exe")

all=$(printf '%s\n%s\n%s\n' "$startup" "$wait_share" "$mouse")
get() { printf '%s\n' "$all" | awk -v k="$1" '$1 == k { print $2 }'; }

printf '%-62s %s\n' "measure" "value"
printf '%-62s %s\n' "start-up to visible window, launcher / bare host (median of $runs)" "$(get startup_ratio)"
printf '%-62s %s\n' "  medians: launcher ms, bare host ms" "$(get startup_launcher_ms), $(get startup_bare_host_ms)"
printf '%-62s %s\n' "stripped launcher.exe, bytes" "$(stat -c %s "$game/launcher.exe")"
printf '%-62s %s\n' "stripped bare host, bytes" "$(stat -c %s "$build/bench/bare_host.exe")"
printf '%-62s %s\n' "mouse hook pass-through, with / without (1000 messages)" "$(get mouse_hook_ratio)"
printf '%-62s %s\n' "processor share of Wait on a document that never completes" "$(get wait_processor_share)"
