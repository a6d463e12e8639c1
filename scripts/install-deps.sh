#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian machine, and nothing
# when it is all there already. Safe to run again.
#   bash scripts/install-deps.sh
# The test, demo and benchmark commands source it and call deps_install, so
# that the choice of Wine it ends with (LAUNCHER_WINE_BITS, exported) is the
# one every later step of their run uses: where the 32-bit Wine cannot be
# installed, that is the 64-bit one, as on a machine that runs no 32-bit code.
# apt-get, dpkg and sudo are taken from PATH.

source "$(dirname "${BASH_SOURCE[0]}")/winearch.sh"

# Tries of apt-get update, and the seconds between them: a mirror in the
# middle of a sync fails for a while.
DEPS_UPDATE_TRIES=${DEPS_UPDATE_TRIES:-3}
DEPS_UPDATE_PAUSE=${DEPS_UPDATE_PAUSE:-10}

# The packages missing for running Windows programs of LAUNCHER_WINE_BITS.
deps_missing() {
    local need=()
    command -v python3 >/dev/null 2>&1 || need+=(python3)
    # win32 threads: the program that ships; posix threads: the tests.
    command -v i686-w64-mingw32-g++-posix >/dev/null 2>&1 ||
        need+=(g++-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev)
    command -v i686-w64-mingw32-g++-win32 >/dev/null 2>&1 ||
        need+=(g++-mingw-w64-i686-win32 binutils-mingw-w64-i686 mingw-w64-i686-dev)
    if [ "$LAUNCHER_WINE_BITS" = 64 ]; then
        # The tests, the demo and the benchmarks are 64-bit programs then.
        command -v x86_64-w64-mingw32-g++-posix >/dev/null 2>&1 ||
            need+=(g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev)
        command -v x86_64-w64-mingw32-g++-win32 >/dev/null 2>&1 ||
            need+=(g++-mingw-w64-x86-64-win32 binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev)
    fi
    command -v cmake  >/dev/null 2>&1 || need+=(cmake)
    command -v ninja  >/dev/null 2>&1 || need+=(ninja-build)
    command -v Xvfb   >/dev/null 2>&1 || need+=(xvfb)
    # Keys and signatures of a signed pgame.ini.
    command -v openssl >/dev/null 2>&1 || need+=(openssl)
    # ImageMagick's import takes the demo's screenshot.
    [ -x /usr/bin/import ] || need+=(imagemagick)
    [ -f /usr/src/googletest/CMakeLists.txt ] || need+=(googletest)
    if [ "$LAUNCHER_WINE_BITS" = 64 ]; then
        [ -x /usr/lib/wine/wine64 ] && dpkg -s wine64 >/dev/null 2>&1 || need+=(wine64)
    elif ! command -v wine >/dev/null 2>&1 || ! dpkg -s wine32:i386 >/dev/null 2>&1; then
        need+=(wine wine32:i386)
    fi
    # Once each, in the order named.
    printf '%s\n' "${need[@]}" | awk 'NF && !seen[$0]++'
}

# apt's reason in one line, from its output: the first unmet dependency and
# its first error.
deps_reason() {  # FILE
    awk '
        /^ [^ ].* : [A-Z][a-zA-Z]*: / && dependency == "" { dependency = $0; sub(/^ +/, "", dependency) }
        /^E: / && error == "" { error = substr($0, 4) }
        END {
            if (dependency != "" && error != "") print dependency "; " error
            else if (dependency != "") print dependency
            else if (error != "") print error
            else print "no reason given"
        }' "$1"
}

# Of the packages asked for, the first that apt's output names as a whole
# name (not wine in wine64, nor libc6 in libc6:i386); all of them else.
deps_culprit() {  # FILE PACKAGE...
    local file=$1
    shift
    awk -v list="$*" '
        { text = text "\n" $0 }
        END {
            n = split(list, packages, " ")
            for (i = 1; i <= n; i++) {
                p = packages[i]
                for (from = 1; (at = index(substr(text, from), p)) > 0; from += at) {
                    before = substr(text, from + at - 2, 1)
                    after = substr(text, from + at - 1 + length(p), 1)
                    if (before !~ /[[:alnum:]_.+:-]/ && after !~ /[[:alnum:]_.+:-]/) { print p; exit }
                }
            }
            print list
        }' "$file"
}

# 0 when every index that failed to download is one of i386 packages.
deps_only_i386_failed() {  # FILE
    local failed
    failed=$(grep -E '^(Err:|E: Failed to fetch|W: Failed to fetch)' "$1") || return 1
    ! grep -qv 'i386' <<<"$failed"
}

# apt-get update, tried again after a pause; apt's output of the last try
# is left in DEPS_LOG.
deps_update() {
    local try
    for try in $(seq 1 "$DEPS_UPDATE_TRIES"); do
        $DEPS_SUDO apt-get update -qq >"$DEPS_LOG" 2>&1 && return 0
        if [ "$try" -lt "$DEPS_UPDATE_TRIES" ]; then
            echo "apt-get update failed ($(deps_reason "$DEPS_LOG")); trying again in $DEPS_UPDATE_PAUSE s" >&2
            sleep "$DEPS_UPDATE_PAUSE"
        fi
    done
    return 1
}

deps_apt_install() {  # PACKAGE...
    $DEPS_SUDO apt-get install -y -qq --no-install-recommends "$@" >"$DEPS_LOG" 2>&1
}

# An i386 architecture this script added goes again unless something got
# installed under it (dpkg refuses then), so that a later apt-get update of
# the machine does not fail on its index.
deps_drop_i386() {
    [ "$DEPS_ADDED_I386" = 1 ] || return 0
    if $DEPS_SUDO dpkg --remove-architecture i386 >/dev/null 2>&1; then
        DEPS_ADDED_I386=0
    else
        echo "the i386 architecture stays: packages are installed under it" >&2
    fi
}

# The 64-bit Wine instead of the 32-bit one, for the rest of this run.
deps_fall_back() {  # WHAT_FAILED
    export LAUNCHER_WINE_BITS=64 LAUNCHER_WINE_REASON="the 32-bit Wine cannot be installed here"
    echo "the 32-bit Wine cannot be installed ($1): the tests, the demo and the benchmarks run as 64-bit" \
        "programs under the 64-bit Wine instead, as on a machine that runs no 32-bit code" >&2
    deps_drop_i386
}

deps_stop() {  # PACKAGE...
    deps_drop_i386
    echo "cannot install $(deps_culprit "$DEPS_LOG" "$@"): $(deps_reason "$DEPS_LOG")" >&2
    rm -f "$DEPS_LOG"
    exit 1
}

deps_install() {
    DEPS_LOG=
    deps_install_steps
    local rc=$?
    [ -z "$DEPS_LOG" ] || rm -f "$DEPS_LOG"
    return $rc
}

deps_install_steps() {
    winearch_detect
    local need
    mapfile -t need < <(deps_missing)
    [ ${#need[@]} -eq 0 ] && return 0

    DEPS_SUDO=
    [ "$(id -u)" -ne 0 ] && DEPS_SUDO=sudo
    DEPS_ADDED_I386=0
    DEPS_LOG=$(mktemp)
    if [ "$LAUNCHER_WINE_BITS" = 32 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
        $DEPS_SUDO dpkg --add-architecture i386
        DEPS_ADDED_I386=1
    fi
    echo "installing: ${need[*]}" >&2
    export DEBIAN_FRONTEND=noninteractive
    # Only a 32-bit Wine still to be installed can fail for i386 alone.
    local wine32=0
    [[ " ${need[*]} " = *" wine32:i386 "* ]] && wine32=1
    if ! deps_update; then
        if [ $wine32 = 1 ] && deps_only_i386_failed "$DEPS_LOG"; then
            deps_fall_back "apt-get update failed for the i386 packages: $(deps_reason "$DEPS_LOG")"
            mapfile -t need < <(deps_missing)
            [ ${#need[@]} -eq 0 ] && return 0
            echo "installing: ${need[*]}" >&2
        else
            echo "apt-get update failed ($(deps_reason "$DEPS_LOG")); installing from the package lists there are" >&2
        fi
    fi
    deps_apt_install "${need[@]}" && return 0
    if [ "$LAUNCHER_WINE_BITS" = 32 ] && [ $wine32 = 1 ]; then
        # Whether the 64-bit packages install tells whether it was the
        # 32-bit Wine that failed.
        local why
        why="apt-get install wine32:i386 failed: $(deps_reason "$DEPS_LOG")"
        LAUNCHER_WINE_BITS=64
        mapfile -t need < <(deps_missing)
        LAUNCHER_WINE_BITS=32
        if [ ${#need[@]} -eq 0 ] || deps_apt_install "${need[@]}"; then
            deps_fall_back "$why"
            return 0
        fi
    fi
    deps_stop "${need[@]}"
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    set -euo pipefail
    deps_install
fi
