#!/usr/bin/env bash
# Builds the program a publisher ships, stripped, into dist/ beside a sample
# pgame.ini:
#   bash scripts/release.sh [--config-key PUBLIC.pem [--sign-with PRIVATE.pem]] URL [CAPTION [ICON]]
# URL is the product web server: http:// or https://, a host and an optional
# port, no path and no trailing slash.
# --config-key builds the publisher's RSA public key into the program: it
# then takes a fetched pgame.ini only with a valid pgame.ini.sig beside it.
# --sign-with signs the sample with the matching private key into
# dist/pgame.ini.sig; without it the sample is left for
# scripts/sign-config.sh, wherever the private key is kept.
set -euo pipefail
cd "$(dirname "$0")/.."

usage() {
    echo "usage: bash scripts/release.sh [--config-key PUBLIC.pem [--sign-with PRIVATE.pem]] URL [CAPTION [ICON]]" >&2
    [ $# -eq 0 ] || echo "$*" >&2
    exit 2
}
absolute() { echo "$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"; }

key=
signer=
positional=()
while [ $# -gt 0 ]; do
    case "$1" in
        --config-key) [ $# -ge 2 ] || usage "--config-key needs a file"; key=$2; shift 2 ;;
        --sign-with) [ $# -ge 2 ] || usage "--sign-with needs a file"; signer=$2; shift 2 ;;
        -*) usage "unknown option $1" ;;
        *) positional+=("$1"); shift ;;
    esac
done
[ ${#positional[@]} -le 3 ] || usage "too many arguments"
url=${positional[0]:-}
caption=${positional[1]:-Game Launcher}
icon=${positional[2]:-$(pwd)/launcher/res/launcher.ico}
# The same rule as the configure's: a scheme, a host and an optional port
# (checked there anyway where CMake is not installed yet).
if command -v cmake >/dev/null 2>&1 && ! err=$(cmake -DLAUNCHER_SERVER_URL="$url" -P cmake/CheckServerUrl.cmake 2>&1); then
    usage "$(echo "$err" | grep -m1 '^LAUNCHER_SERVER_URL')"
fi
[ -f "$icon" ] || { echo "no icon file $icon" >&2; exit 2; }
icon=$(absolute "$icon")
if [ -n "$key" ]; then
    [ -f "$key" ] || { echo "no public key file $key" >&2; exit 2; }
    key=$(absolute "$key")
fi
if [ -n "$signer" ]; then
    [ -n "$key" ] || usage "--sign-with needs --config-key: a launcher without a key reads no signature"
    [ -f "$signer" ] || { echo "no private key file $signer" >&2; exit 2; }
fi

bash scripts/install-deps.sh

if [ -n "$signer" ] && ! cmp -s <(openssl pkey -pubin -in "$key" -outform DER 2>/dev/null) \
                              <(openssl pkey -in "$signer" -pubout -outform DER 2>/dev/null); then
    echo "$signer is not the private half of $key: the launcher would refuse what it signs" >&2
    exit 2
fi

build=build/release
# The key is passed every time, empty too: the build folder's cache keeps
# the last one otherwise.
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-i686.cmake \
    -DCMAKE_BUILD_TYPE=Release -DLAUNCHER_SERVER_URL="$url" \
    -DLAUNCHER_CAPTION="$caption" -DLAUNCHER_ICON="$icon" -DLAUNCHER_CONFIG_KEY="$key" >/dev/null
cmake --build "$build" --target launcher

mkdir -p dist
cp "$build/launcher/launcher.exe" dist/launcher.exe
rm -f dist/pgame.ini.sig
cat > dist/pgame.ini <<INI
[Init]
Web=$url/games/pads.html
Time=10
Exe=game.exe
INI
echo "dist/launcher.exe ($(stat -c %s dist/launcher.exe) bytes) and dist/pgame.ini, the sample to serve as $url/games/pgame.ini"
if [ -n "$signer" ]; then
    bash scripts/sign-config.sh "$signer" dist/pgame.ini >/dev/null
    echo "dist/pgame.ini.sig, its signature, to serve beside it as $url/games/pgame.ini.sig"
elif [ -n "$key" ]; then
    echo "the launcher takes only a signed pgame.ini: sign the sample (and every later change) with" \
        "bash scripts/sign-config.sh PRIVATE.pem dist/pgame.ini, and serve pgame.ini.sig beside it"
fi
