#!/usr/bin/env bash
# Builds the program a publisher ships, stripped, into dist/ beside a sample
# pgame.ini:
#   bash scripts/release.sh URL [CAPTION [ICON]]
# URL is the product web server (http:// or https://, no trailing slash).
set -euo pipefail
cd "$(dirname "$0")/.."

url=${1:-}
caption=${2:-Game Launcher}
icon=${3:-$(pwd)/launcher/res/launcher.ico}
if ! [[ "$url" =~ ^[Hh][Tt][Tt][Pp][Ss]?://[^/]+(/.*[^/])?$ ]]; then
    echo "usage: bash scripts/release.sh URL [CAPTION [ICON]]" >&2
    echo "URL must be an http:// or https:// address without a trailing slash, not '$url'" >&2
    exit 2
fi
[ -f "$icon" ] || { echo "no icon file $icon" >&2; exit 2; }
icon=$(cd "$(dirname "$icon")" && pwd)/$(basename "$icon")

bash scripts/install-deps.sh

build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-i686.cmake \
    -DCMAKE_BUILD_TYPE=Release -DLAUNCHER_SERVER_URL="$url" \
    -DLAUNCHER_CAPTION="$caption" -DLAUNCHER_ICON="$icon" >/dev/null
cmake --build "$build" --target launcher

mkdir -p dist
cp "$build/launcher/launcher.exe" dist/launcher.exe
cat > dist/pgame.ini <<INI
[Init]
Web=$url/games/pads.html
Time=10
Exe=game.exe
INI
echo "dist/launcher.exe ($(stat -c %s dist/launcher.exe) bytes) and dist/pgame.ini, the sample to serve as $url/games/pgame.ini"
