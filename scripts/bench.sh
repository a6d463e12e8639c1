#!/usr/bin/env bash
# Installs what is missing, builds the shipping launcher and the benchmark
# programs of bench/ with the shipping toolchain (for 64-bit Windows where
# this machine runs no 32-bit code, as scripts/winearch.sh tells), measures
# each against its yardstick in this one run, prints one table and the
# start-up breakdown, and stops everything it started (absolute times
# differ between machines; the ratios are the figures). Not part of .ci/run.
#   bash scripts/bench.sh [START_UP_PAIRS [BREAKDOWN_RUNS]]
# BENCH_HTTP_PORT (default 18150) is the port of the benchmark's server.
set -euo pipefail
cd "$(dirname "$0")/.."
pairs=${1:-21}
breakdown_runs=${2:-11}
idle_seconds=10
load_start=$(uptime)

# The choice of Wine, made once here, holds for every step below.
source scripts/install-deps.sh
deps_install
port=${BENCH_HTTP_PORT:-18150}
# Where no 32-bit code runs, everything measured is built as the shipped
# program is, for 64-bit Windows; the size is still the shipped one's.
winearch_runnable_build bench "the benchmarks run 64-bit builds"
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DLAUNCHER_BUILD_BENCH=ON \
    -DLAUNCHER_SERVER_URL="http://127.0.0.1:$port" >/dev/null
cmake --build "$build" --target launcher bare_host bare_host_marks launcher_marks startup_bench \
    mouse_hook_bench wait_bench idle_bench idle_game bench_desktop_keeper
shipped="$build/launcher/launcher.exe"
if [ "$LAUNCHER_WINE_BITS" = 64 ]; then
    cmake -S . -B build/bench-shipped -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-i686.cmake \
        -DCMAKE_BUILD_TYPE=Release -DLAUNCHER_SERVER_URL="http://127.0.0.1:$port" >/dev/null
    cmake --build build/bench-shipped --target launcher
    shipped=build/bench-shipped/launcher/launcher.exe
fi

# The launcher and its game in one folder, the bare host in another (each
# writes the configuration into its own), the site served to both. The
# configuration starts the game a second after the window, for the idle
# measure; the start-up runs end each program before that.
game="$build/run/game"
bare="$build/run/bare"
site="$build/run/site"
rm -rf "$build/run"
mkdir -p "$game" "$bare" "$site/games"
cp "$build/launcher/launcher.exe" "$build/bench/launcher_marks.exe" "$game/"
cp "$build/bench/idle_game.exe" "$game/game.exe"
cp "$build/bench/bare_host.exe" "$build/bench/bare_host_marks.exe" "$bare/"
cp demo/site/games/pads.html demo/site/games/play.html "$site/games/"
printf '[Init]\r\nWeb=http://127.0.0.1:%s/games/pads.html\r\nTime=1\r\nExe=game.exe\r\n' "$port" \
    >"$site/games/pgame.ini"
config_url="http://127.0.0.1:$port/games/pgame.ini"

source scripts/harness.sh
# Ending the wine server ends every program of the prefix (harness.sh).
cleanup() {
    harness_stop
    rm -rf "$build/run"
}
trap cleanup EXIT
if [ ! -f "$build/wineprefix/system.reg" ]; then
    # Wine goes on setting up a new prefix during its first session, which
    # slows every program started meanwhile: measure in a later session.
    harness_start "$build"
    harness_stop
fi
export HARNESS_KEEPER="$build/bench/bench_desktop_keeper.exe"
harness_start "$build" "$port" "$site"
winpath() { winepath -w "$1" 2>/dev/null; }

# A measure that fails is reported and leaves its rows empty; the others
# still run. Each program's output goes to a file, not through a pipe: a
# program that a measured one starts (the HTML engine's installer prompt,
# say) inherits its output and may hold a pipe open for ever.
out="$build/run/out"
mkdir -p "$out"
echo "start-up: $pairs pairs" >&2
wine "$build/bench/startup_bench.exe" pairs "$pairs" "$(winpath "$game/launcher.exe")" \
    "$(winpath "$bare/bare_host.exe")" "$config_url" >"$out/startup.txt" || echo "the start-up pairs failed" >&2
echo "start-up breakdown: $breakdown_runs runs" >&2
wine "$build/bench/startup_bench.exe" breakdown "$breakdown_runs" \
    "$(winpath "$game/launcher_marks.exe")" "$(winpath "$bare/bare_host_marks.exe")" "$config_url" \
    "$(winpath "$build/run")\\marks.txt" >"$out/breakdown.txt" || echo "the start-up breakdown failed" >&2
echo "Wait" >&2
# A server that takes ten minutes: the document does not complete in the run.
wine "$build/bench/wait_bench.exe" "http://127.0.0.1:$port/slow/600000/games/pads.html" 2000 6 \
    >"$out/wait.txt" || echo "the Wait measure failed" >&2
echo "mouse hook" >&2
wine "$build/bench/mouse_hook_bench.exe" >"$out/mouse.txt" || echo "the mouse-hook measure failed" >&2

# ---- the idle programs: processor time and private memory, read from
# the system while idle_bench holds the program in the idle state ----

# The Unix process of a Windows program of this prefix, by its file name.
unix_pid_of() {
    local p first environment
    for p in /proc/[0-9]*; do
        first=$( { tr '\0' '\n' <"$p/cmdline"; } 2>/dev/null) || continue
        first=${first%%$'\n'*}
        [ "$(cat "$p/comm" 2>/dev/null)" = "$1" ] || [ "${first##*[\\/]}" = "$1" ] || continue
        environment=$( { tr '\0' '\n' <"$p/environ"; } 2>/dev/null) || continue
        grep -qxF "WINEPREFIX=$WINEPREFIX" <<<"$environment" || continue
        echo "${p#/proc/}"
        return 0
    done
    return 1
}
# Nanoseconds that a process's threads run during SECONDS: each thread's
# schedstat, read ten times a second, so that a thread that ends meanwhile
# counts up to its last reading and one that starts counts whole (a sum
# over the threads alive at two moments would lose the ones that ended).
run_ns_during() {  # PID SECONDS
    local pid=$1 end f tid v total=0 initial=1
    local -A first=() last=()
    end=$(($(date +%s%N) + $2 * 1000000000))
    while :; do
        for f in /proc/"$pid"/task/*/schedstat; do
            { read -r v _ <"$f"; } 2>/dev/null || continue
            tid=${f%/schedstat}
            tid=${tid##*/}
            [ -n "${first[$tid]+set}" ] || first[$tid]=$((initial ? v : 0))
            last[$tid]=$v
        done
        initial=0
        [ "$(date +%s%N)" -lt "$end" ] || break
        sleep 0.1
    done
    for tid in "${!last[@]}"; do total=$((total + last[$tid] - first[$tid])); done
    echo "$total"
}
private_kb() { awk '/^Private_(Clean|Dirty|Hugetlb):/ { s += $2 } END { print s + 0 }' /proc/"$1"/smaps_rollup; }

idle() {  # KEY FILE_NAME idle_bench arguments...
    local key=$1 name=$2 line pid run t0 t1 kb
    shift 2
    coproc IDLE { wine "$build/bench/idle_bench.exe" "$@"; }
    # Windows programs end their lines with a carriage return.
    if ! read -r -t 120 line <&"${IDLE[0]}" || [ "${line%$'\r'}" != ready ]; then
        echo "idle $key: the program did not come to the idle state (${line:-nothing})" >&2
        return 1
    fi
    pid=$(unix_pid_of "$name") || { echo "idle $key: no process $name" >&2; return 1; }
    t0=$(date +%s%N)
    run=$(run_ns_during "$pid" "$idle_seconds")
    t1=$(date +%s%N)
    kb=$(private_kb "$pid")
    echo end >&"${IDLE[1]}"
    wait "$IDLE_PID" 2>/dev/null || true
    awk -v k="$key" -v r="$run" -v t=$((t1 - t0)) -v kb="$kb" \
        'BEGIN { printf "idle_%s_processor_percent %.3f\nidle_%s_private_mb %.2f\n", k, 100 * r / t, k, kb / 1024 }'
}
echo "idle: ${idle_seconds} s each" >&2
idle launcher launcher.exe launcher "$(winpath "$game/launcher.exe")" >"$out/idle.txt" ||
    echo "the idle launcher measure failed" >&2
idle bare bare_host.exe bare "$(winpath "$bare/bare_host.exe")" "$config_url" >>"$out/idle.txt" ||
    echo "the idle bare host measure failed" >&2
load_end=$(uptime)

all=$(cat "$out/startup.txt" "$out/wait.txt" "$out/mouse.txt" "$out/idle.txt" 2>/dev/null | tr -d '\r')
get() { printf '%s\n' "$all" | awk -v k="$1" '$1 == k { print $2 }'; }
# "value" and "goal" columns; a verdict where the goal is a number.
row() { printf '%-58s %-20s %s\n' "$1" "$2" "${3:-}"; }
verdict() {
    if [ -z "$1" ] || [ -z "$2" ]; then echo "n/a"; return; fi
    awk -v v="$1" -v g="$2" 'BEGIN { print (v + 0 <= g + 0 ? "met" : "missed") }'
}

size=$(stat -c %s "$shipped")
ratio=$(get startup_ratio_of_medians)
moves=$(get mouse_hook_move_ratio)
wait_ratio=$(get wait_ratio)
# Navigation is Wine's work in both programs (the control's request and
# what Wine's engine does then), a few milliseconds when Wine is well: a
# median above a second in either means the start-up figures measure a
# stall in Wine, not the launcher.
read -r nav_launcher nav_bare < <(tr -d '\r' <"$out/breakdown.txt" 2>/dev/null |
    awk '$1 == "navigation" && NF == 3 { print $2, $3; found = 1; exit } END { if (!found) print "" }')
startup_verdict=$(verdict "$ratio" 1.10)
nav_verdict="n/a"
if [ -n "${nav_launcher:-}" ]; then
    nav_verdict=$(awk -v l="$nav_launcher" -v b="$nav_bare" 'BEGIN { print (l + 0 > 1000 || b + 0 > 1000) ? "missed" : "met" }')
fi
if [ "$nav_verdict" = missed ]; then
    startup_verdict="not a measure of the launcher: Wine stalled in navigation"
fi
idle_cpu_goal=$(awk -v b="$(get idle_bare_processor_percent)" 'BEGIN { if (b != "") printf "%.3f", b + 0.1 }')
idle_mem_goal=$(awk -v b="$(get idle_bare_private_mb)" 'BEGIN { if (b != "") printf "%.2f", b + 1 }')

echo
row "measure" "value" "goal"
row "start-up, launcher / bare host, ratio of the medians" "$ratio" "<= 1.10: $startup_verdict"
row "  median of the $(get startup_pairs) per-pair ratios [first, third quartile]" \
    "$(get startup_median_ratio) [$(get startup_ratio_q1), $(get startup_ratio_q3)]"
row "  medians, launcher / bare host, ms" "$(get startup_launcher_ms) / $(get startup_bare_host_ms)"
row "  navigation (Wine's), launcher / bare host, median ms" "${nav_launcher:-} / ${nav_bare:-}" \
    "<= 1000 each: $nav_verdict"
row "mouse hook, moves: routing / empty hook (median of 15)" "$moves" "<= 1.05: $(verdict "$moves" 1.05)"
row "mouse hook, wheels: routing / empty hook (median of 15)" "$(get mouse_hook_wheel_ratio)"
row "  heap blocks per wheel message" "$(get mouse_hook_wheel_allocations_per_message)" \
    "0: $(verdict "$(get mouse_hook_wheel_allocations_per_message)" 0)"
row "Wait: processor share / drain-and-sleep loop's" "$wait_ratio" "<= 1.20: $(verdict "$wait_ratio" 1.20)"
row "  shares, Wait / loop (6 rounds of 2 s each)" \
    "$(get wait_processor_share) / $(get wait_loop_processor_share)"
row "idle launcher, ${idle_seconds} s from the game's start: % of a core" \
    "$(get idle_launcher_processor_percent)" \
    "<= $idle_cpu_goal: $(verdict "$(get idle_launcher_processor_percent)" "$idle_cpu_goal")"
row "  bare host in the same state: % of a core" "$(get idle_bare_processor_percent)"
row "idle launcher: private memory, MB" "$(get idle_launcher_private_mb)" \
    "<= $idle_mem_goal: $(verdict "$(get idle_launcher_private_mb)" "$idle_mem_goal")"
row "  bare host in the same state: private memory, MB" "$(get idle_bare_private_mb)"
row "shipped launcher.exe (32-bit, stripped), bytes" "$size" "<= 262144: $(verdict "$size" 262144)"
row "measured programs" "$LAUNCHER_WINE_BITS-bit"
echo
echo "load at the start:$load_start"
echo "load at the end:  $load_end"
echo
tr -d '\r' <"$out/breakdown.txt" 2>/dev/null || true
