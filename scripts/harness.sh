# Sourced by the test and demo commands: starts what running Windows
# programs here needs, and stops exactly what it started, by process id.
#   harness_start BUILD_DIR [HTTP_PORT HTTP_ROOT]
# With HARNESS_KEEPER naming a Windows program, it runs for the whole run
# (tests/support/DesktopKeeper.cpp says why).
#   harness_stop
# Exports DISPLAY, WINEPREFIX, WINEARCH (win32, or win64 where this machine
# runs no 32-bit code: scripts/winearch.sh), WINEDEBUG and, with a port,
# TEST_HTTP_PORT, TEST_HTTP_ROOT, TEST_HTTP_LOG and LAUNCHER_TEST_BROWSER_LOG.

HARNESS_XVFB_PID=
HARNESS_WINESERVER_PID=
HARNESS_HTTP_PID=

source "$(dirname "${BASH_SOURCE[0]}")/winearch.sh"

harness_free_display() {
    # HARNESS_FIRST_DISPLAY lets runs that share a machine start their
    # search apart, so that two starting at once do not pick one display.
    local n first=${HARNESS_FIRST_DISPLAY:-91}
    for n in $(seq "$first" $((first + 69))); do
        if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
            echo "$n"
            return 0
        fi
    done
    return 1
}

harness_wait_for() {  # command, tries of 0.1 s
    local tries=$2
    while [ "$tries" -gt 0 ]; do
        if eval "$1"; then return 0; fi
        sleep 0.1
        tries=$((tries - 1))
    done
    return 1
}

harness_start() {
    local build_dir port root here
    build_dir=$(cd "$1" && pwd)
    port=${2:-}
    root=${3:-}
    here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

    winearch_use
    export WINEDEBUG=-all
    export WINEPREFIX="$build_dir/wineprefix"

    # HARNESS_USE_DISPLAY=1 keeps the display the caller has; otherwise a
    # virtual one of our own.
    if [ "${HARNESS_USE_DISPLAY:-0}" != 1 ]; then
        local display
        display=$(harness_free_display) || { echo "no free X display" >&2; return 1; }
        Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
        HARNESS_XVFB_PID=$!
        export DISPLAY=":$display"
        harness_wait_for "[ -e /tmp/.X11-unix/X$display ]" 100 || { echo "Xvfb did not start" >&2; return 1; }
    fi

    local fresh=0
    [ -f "$WINEPREFIX/system.reg" ] || fresh=1
    mkdir -p "$WINEPREFIX"
    # A server that an earlier run of this prefix left would refuse ours,
    # and its services would serve this run: it goes first. (A session that
    # runs on a server left by an earlier one finds that one's services,
    # which no longer start RpcSs: every navigation of the browser control
    # then waits ten seconds for it, in OLE's marshalling.)
    wineserver -k >/dev/null 2>&1 || true
    if [ $fresh -eq 1 ]; then
        echo "making the Wine prefix $WINEPREFIX" >&2
        # Made under a server of its own, which ends with the last process
        # of the making. Made under the run's persistent server, the prefix
        # is left with a second services.exe and no RpcSs for the whole
        # run: the same ten seconds in every navigation, on every fresh
        # machine. No Mono here: skip its install prompt. The HTML engine
        # stays registered (it makes no documents without Gecko, but the
        # browser control reports that instead of a missing class).
        # A busy machine has seen the first try of a new prefix fail once;
        # a second one completes it.
        WINEDLLOVERRIDES="mscoree=" wine wineboot -i >/dev/null 2>&1 ||
            { echo "making the prefix failed once; trying again" >&2; WINEDLLOVERRIDES="mscoree=" wine wineboot -u >/dev/null 2>&1; }
        # Wine draws window frames itself: there is no window manager here.
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
        # Its end is awaited for two minutes at most.
        local waiter
        wineserver -w &
        waiter=$!
        harness_wait_for "! kill -0 $waiter 2>/dev/null" 1200 ||
            { echo "the server that made the prefix did not end; ending it" >&2; wineserver -k || true; }
        wait "$waiter" 2>/dev/null || true
    fi
    # One persistent server for the whole run; -f keeps it in the
    # foreground of its own job, so its pid is the one we stop.
    wineserver -f -p >/dev/null 2>&1 &
    HARNESS_WINESERVER_PID=$!
    # A server that cannot start ends at once (and the programs would then
    # start servers of their own, which nothing here would stop).
    sleep 0.3
    kill -0 "$HARNESS_WINESERVER_PID" 2>/dev/null ||
        { echo "the wine server did not start for $WINEPREFIX" >&2; HARNESS_WINESERVER_PID=; return 1; }
    # No Gecko here either: Wine's HTML engine then starts its add-on
    # installer, "control.exe appwiz.cpl install_gecko", in every process
    # that makes a document (each navigation of the browser control does)
    # and waits for it to end, without a time limit: a whole process start
    # inside every navigation. With control.exe switched off the engine goes
    # on at once, as after a failed install. Prefixes made before get it too.
    if ! grep -qxF '"control.exe"=""' "$WINEPREFIX/user.reg" 2>/dev/null; then
        wine reg add 'HKCU\Software\Wine\DllOverrides' /v control.exe /t REG_SZ /d "" /f >/dev/null 2>&1
    fi
    wine wineboot >/dev/null 2>&1 || true
    if [ -n "${HARNESS_KEEPER:-}" ]; then
        wine "$HARNESS_KEEPER" </dev/null >/dev/null 2>&1 &
    fi

    if [ -n "$port" ]; then
        if python3 -c "import socket; socket.create_connection(('127.0.0.1', $port), 0.2)" 2>/dev/null; then
            echo "port $port on 127.0.0.1 is already in use; stop what serves it, or choose another port" >&2
            return 1
        fi
        mkdir -p "$root"
        export TEST_HTTP_PORT=$port
        export TEST_HTTP_ROOT
        TEST_HTTP_ROOT=$(cd "$root" && pwd)
        export TEST_HTTP_LOG="$TEST_HTTP_ROOT.requests.log"
        : > "$TEST_HTTP_LOG"
        # Where the stand-in default browser records the pages it is asked
        # to open (a Unix program, so it sees only this environment).
        export LAUNCHER_TEST_BROWSER_LOG="$TEST_HTTP_ROOT.browser.log"
        : > "$LAUNCHER_TEST_BROWSER_LOG"
        python3 "$here/tests/support/http_server.py" --port "$port" --root "$TEST_HTTP_ROOT" \
            --log "$TEST_HTTP_LOG" >/dev/null 2>&1 &
        HARNESS_HTTP_PID=$!
        harness_wait_for "python3 -c 'import socket; socket.create_connection((\"127.0.0.1\", $port), 0.2)' 2>/dev/null" 100 \
            || { echo "the HTTP server did not start on port $port" >&2; return 1; }
    fi
}

# The Wine processes of this prefix, and its wine servers, by process id.
harness_wine_pids() {
    local p exe
    for p in /proc/[0-9]*; do
        exe=$(readlink "$p/exe" 2>/dev/null) || continue
        case "${exe##*/}" in wine*) ;; *) continue ;; esac
        { tr '\0' '\n' <"$p/environ"; } 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" || continue
        echo "${p#/proc/}"
    done
}

# A Wine process still starting when the server went finds none, starts a
# server of its own and lives on with it: nothing of this run may outlive
# it, so each such process ends by its id, until none is left.
harness_end_strays() {
    local pids pid names=() round
    for round in $(seq 1 20); do
        pids=$(harness_wine_pids)
        [ -n "$pids" ] || break
        for pid in $pids; do
            names+=("$(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | sed 's/ *$//')")
        done
        # shellcheck disable=SC2086
        kill -KILL $pids 2>/dev/null || true
        sleep 0.1
    done
    if [ ${#names[@]} -gt 0 ]; then
        echo "ended ${#names[@]} Wine processes of $WINEPREFIX that outlived its server:" >&2
        printf '%s\n' "${names[@]}" | sort | uniq -c | sed 's/^ */  /' >&2
    fi
}

harness_stop() {
    # Runs from EXIT traps of scripts with "set -e": no step may fail it.
    if [ -n "$HARNESS_HTTP_PID" ]; then
        kill "$HARNESS_HTTP_PID" 2>/dev/null || true
        wait "$HARNESS_HTTP_PID" 2>/dev/null || true
        HARNESS_HTTP_PID=
    fi
    if [ -n "$HARNESS_WINESERVER_PID" ]; then
        # Ends the Wine processes of this prefix, then the server itself.
        wineserver -k 2>/dev/null || true
        kill "$HARNESS_WINESERVER_PID" 2>/dev/null || true
        wait "$HARNESS_WINESERVER_PID" 2>/dev/null || true
        HARNESS_WINESERVER_PID=
        harness_end_strays
    fi
    if [ -n "$HARNESS_XVFB_PID" ]; then
        kill "$HARNESS_XVFB_PID" 2>/dev/null || true
        wait "$HARNESS_XVFB_PID" 2>/dev/null || true
        HARNESS_XVFB_PID=
    fi
    return 0
}
