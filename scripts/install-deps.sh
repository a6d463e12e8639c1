#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian machine, and nothing
# when it is all there already. Safe to run again.
set -euo pipefail
source "$(dirname "$0")/winearch.sh"
winearch_detect

need=()
command -v python3 >/dev/null 2>&1 || need+=(python3)
command -v i686-w64-mingw32-g++-posix >/dev/null 2>&1 || need+=(g++-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev)
# win32 threads: the program that ships; posix threads: the tests.
command -v i686-w64-mingw32-g++-win32 >/dev/null 2>&1 || need+=(g++-mingw-w64-i686-win32 binutils-mingw-w64-i686 mingw-w64-i686-dev)
if [ "$LAUNCHER_WINE_BITS" = 64 ]; then
    # No 32-bit code runs here: the tests, the demo and the benchmarks are
    # 64-bit programs.
    command -v x86_64-w64-mingw32-g++-posix >/dev/null 2>&1 || need+=(g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev)
    command -v x86_64-w64-mingw32-g++-win32 >/dev/null 2>&1 || need+=(g++-mingw-w64-x86-64-win32 binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev)
fi
command -v cmake  >/dev/null 2>&1 || need+=(cmake)
command -v ninja  >/dev/null 2>&1 || need+=(ninja-build)
command -v Xvfb   >/dev/null 2>&1 || need+=(xvfb)
# Keys and signatures of a signed pgame.ini.
command -v openssl >/dev/null 2>&1 || need+=(openssl)
# ImageMagick's import takes the demo's screenshot.
[ -x /usr/bin/import ] || need+=(imagemagick)
[ -f /usr/src/googletest/CMakeLists.txt ] || need+=(googletest)
wine_ok=1
if [ "$LAUNCHER_WINE_BITS" = 64 ]; then
    [ -x /usr/lib/wine/wine64 ] || need+=(wine64)
elif ! command -v wine >/dev/null 2>&1 || ! dpkg -s wine32:i386 >/dev/null 2>&1; then
    wine_ok=0
    need+=(wine wine32:i386)
fi

[ ${#need[@]} -eq 0 ] && exit 0

SUDO=
[ "$(id -u)" -ne 0 ] && SUDO=sudo
if [ $wine_ok -eq 0 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
fi
echo "installing: ${need[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
