#!/usr/bin/env bash
# Installs what is missing, builds the launcher for the demo server
# (http://127.0.0.1:8123), serves the bundled demo site there and runs the
# launcher from a game folder with a demo game beside it.
# With a display the launcher runs on it until you close its window; without
# one it runs under Xvfb, a screenshot of the window is saved as a PNG and
# the launcher is closed for you.
set -euo pipefail
cd "$(dirname "$0")/.."
here=$(pwd)

# The choice of Wine, made once here, holds for every step below.
source scripts/install-deps.sh
deps_install
winearch_runnable_build demo "the demo runs the 64-bit build of the launcher"
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DLAUNCHER_BUILD_TESTS=OFF >/dev/null
cmake --build "$build"

# A game folder as a publisher ships it: the launcher beside the game.
game="$build/game"
rm -rf "$game" "$build/site"
mkdir -p "$game"
cp "$build/launcher/launcher.exe" "$build/demo/game.exe" "$game/"
cp -r demo/site "$build/site"

interactive=0
if [ -n "${DISPLAY:-}" ] && [ -z "${CI:-}" ]; then
    interactive=1
    export HARNESS_USE_DISPLAY=1
fi

source scripts/harness.sh
trap harness_stop EXIT
harness_start "$build" 8123 "$build/site"
if [ $interactive -eq 0 ]; then
    # Nobody to look at a browser: record the page that would open.
    wine reg add 'HKCU\Software\Wine\WineBrowser' /v Browsers /t REG_SZ \
        /d "$here/tests/support/browser_recorder.sh" /f >/dev/null 2>&1
fi

echo "demo server: http://127.0.0.1:8123/games/ (serving $build/site)"
echo "game folder: $game"
wine "$game/launcher.exe" &
launcher_pid=$!

if [ $interactive -eq 1 ]; then
    echo "the launcher is running; close its window to end the demo"
    wait "$launcher_pid" || true
else
    # The page, then the game after Time = 5 s: the picture shows both.
    if wine "$build/demo/demo_wait_game.exe" 20; then
        sleep 1  # let both windows finish painting
        what="the launcher window with the demo game beside it"
    else
        echo "the demo game's window did not show within 20 s" >&2
        what="the launcher window (the game did not show)"
    fi
    shot="$here/$build/launcher-screenshot.png"
    import -window root "$shot"
    echo "screenshot of $what: $shot"
    wine "$build/demo/demo_close.exe" || echo "the launcher window was not found" >&2
    for _ in $(seq 1 100); do kill -0 "$launcher_pid" 2>/dev/null || break; sleep 0.1; done
    wait "$launcher_pid" && echo "the launcher ended with exit code 0" || echo "the launcher ended with exit code $?"
fi

# The shell opens the play page after the window has gone, through
# winebrowser: wait for the recorder to have written it.
for _ in $(seq 1 100); do [ -s "$LAUNCHER_TEST_BROWSER_LOG" ] && break; sleep 0.1; done
echo "requests the server saw:"
sed 's/^/  /' "$TEST_HTTP_LOG"
if [ -s "$LAUNCHER_TEST_BROWSER_LOG" ]; then
    echo "pages opened in the default browser:"
    sed 's/^/  /' "$LAUNCHER_TEST_BROWSER_LOG"
fi
echo "the configuration now in the game folder:"
sed 's/^/  /' "$game/pgame.ini"
