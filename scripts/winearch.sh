# Sourced: which Windows programs this machine can run under Wine.
# 32-bit ones need a kernel that runs 32-bit x86 code: Wine's 32-bit loader
# does, and so does its WoW64 mode, which switches the processor to 32-bit
# code. A virtual machine whose kernel has IA-32 emulation off runs neither;
# there the programs are built and run as 64-bit ones (the program that ships
# is still built for 32-bit Windows and checked for its imports and size).
#   winearch_detect   sets LAUNCHER_WINE_BITS (32 or 64), once, and with 64
#                     LAUNCHER_WINE_REASON, why; both exported, so that every
#                     later step of the run and its sub-builds keep the
#                     choice (scripts/install-deps.sh may still change it to
#                     64 where the 32-bit Wine cannot be installed)
#   winearch_use      exports WINEARCH (and WINELOADER) and defines the
#                     commands wine, winepath and wineserver for that loader
#   winearch_runnable_build NAME WHAT
#                     sets build (build/NAME, or build/NAME-x64) and
#                     toolchain for programs run here: the shipped
#                     toolchain, or its 64-bit twin, saying WHAT runs then

winearch_detect() {
    if [ -n "${LAUNCHER_WINE_BITS:-}" ]; then
        # Forced, or chosen earlier in this run.
        [ "$LAUNCHER_WINE_BITS" = 32 ] || export LAUNCHER_WINE_REASON="${LAUNCHER_WINE_REASON:-LAUNCHER_WINE_BITS is 64}"
        export LAUNCHER_WINE_BITS
        return 0
    fi
    # A 12-byte i386 program that exits with 42, tried directly.
    local probe
    probe=$(mktemp)
    python3 - "$probe" <<'PY'
import struct, sys
base = 0x08048000
code = bytes([0xB8, 1, 0, 0, 0, 0xBB, 42, 0, 0, 0, 0xCD, 0x80])  # exit(42) via int 0x80
size = 52 + 32 + len(code)
header = struct.pack('<16sHHIIIIIHHHHHH', b'\x7fELF\x01\x01\x01' + b'\0' * 9, 2, 3, 1, base + 84, 52, 0, 0,
                     52, 32, 1, 0, 0, 0)
segment = struct.pack('<IIIIIIII', 1, 0, base, base, size, size, 5, 0x1000)
open(sys.argv[1], 'wb').write(header + segment + code)
PY
    chmod +x "$probe"
    local rc=0
    "$probe" 2>/dev/null || rc=$?
    rm -f "$probe"
    # An emulator registered for i386 programs answers too, but runs no Wine.
    local emulated=0
    grep -qs '^magic 7f454c4601010100000000000000000002000300' /proc/sys/fs/binfmt_misc/* 2>/dev/null && emulated=1
    if [ "$rc" -eq 42 ] && [ "$emulated" -eq 0 ]; then
        LAUNCHER_WINE_BITS=32
    else
        LAUNCHER_WINE_BITS=64
        export LAUNCHER_WINE_REASON="this machine runs no 32-bit x86 code"
    fi
    export LAUNCHER_WINE_BITS
}

winearch_use() {
    winearch_detect
    if [ "$LAUNCHER_WINE_BITS" = 64 ]; then
        export WINEARCH=win64 WINELOADER=/usr/lib/wine/wine64
        wine() { /usr/lib/wine/wine64 "$@"; }
        winepath() { /usr/lib/wine/wine64 winepath.exe "$@" 2>/dev/null | tr -d '\r'; }
    else
        export WINEARCH=win32
    fi
    # Debian's wine64 alone puts no wineserver on PATH: the one its loader
    # starts, which picks the server for the installed Wine.
    if ! command -v wineserver >/dev/null 2>&1 || [ "$LAUNCHER_WINE_BITS" = 64 ]; then
        wineserver() { /usr/lib/wine/wineserver "$@"; }
    fi
}

winearch_runnable_build() {
    winearch_detect
    build=build/$1
    toolchain=cmake/toolchain-mingw-i686.cmake
    if [ "$LAUNCHER_WINE_BITS" = 64 ]; then
        echo "$LAUNCHER_WINE_REASON: $2" >&2
        build=build/$1-x64
        toolchain=cmake/toolchain-mingw-x86_64.cmake
    fi
}
