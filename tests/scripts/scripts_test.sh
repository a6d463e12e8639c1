#!/usr/bin/env bash
# The scripts' own cases, in a temporary folder, without root, the network or
# the machine's apt: scripts/install-deps.sh against stand-ins for apt-get,
# dpkg and sudo first on PATH (and nothing else there that it installs), and
# tests/support/wine_run.sh against a stand-in loader.
#   bash tests/scripts/scripts_test.sh
set -uo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
cases=0

fail() {  # CASE WHAT
    echo "FAILED: $1: $2" >&2
    failures=$((failures + 1))
}

# ---- the stand-ins ----
# STANDIN_STATE holds the foreign architectures (archs), what is installed
# (installed) and every call (calls). STANDIN_UPDATE: ok, i386 (the i386
# index has an unexpected size, as when a mirror syncs), i386-once (that,
# once), amd64 (the amd64 index cannot be fetched). STANDIN_BROKEN: packages
# that do not install.
bin="$tmp/bin"
mkdir -p "$bin"
cat >"$bin/apt-get" <<'EOF'
#!/bin/bash
s=$STANDIN_STATE
echo "apt-get $*" >>"$s/calls"
case "$1" in
update)
    failure=$STANDIN_UPDATE
    if [ "$failure" = i386-once ]; then
        failure=ok
        [ -e "$s/failed-once" ] || { touch "$s/failed-once"; failure=i386; }
    fi
    if [ "$failure" = i386 ] && grep -qx i386 "$s/archs"; then
        echo "E: Failed to fetch http://mirror.invalid/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (25404 != 25584). Mirror sync in progress? [IP: 127.0.0.1 80]" >&2
        echo "   Hashes of expected file:" >&2
        echo "E: Some index files failed to download. They have been ignored, or old ones used instead." >&2
        exit 100
    elif [ "$failure" = amd64 ]; then
        echo "E: Failed to fetch http://mirror.invalid/debian/dists/bookworm/main/binary-amd64/Packages.xz  Could not connect to mirror.invalid:80" >&2
        echo "E: Some index files failed to download. They have been ignored, or old ones used instead." >&2
        exit 100
    fi
    exit 0 ;;
install)
    shift
    packages=()
    for p; do [ "${p#-}" = "$p" ] && packages+=("$p"); done
    for p in "${packages[@]}"; do
        if [ "$p" = wine32:i386 ] && [[ " $STANDIN_BROKEN " = *" $p "* ]]; then
            echo "The following packages have unmet dependencies:"
            echo " libc6:i386 : Breaks: libc6 (!= 2.36-9+deb12u3) but 2.36-9+deb12u4 is to be installed"
            echo "E: Error, pkgProblemResolver::Resolve generated breaks, this may be caused by held packages." >&2
            exit 100
        elif [[ " $STANDIN_BROKEN " = *" $p "* ]] || { [ "${p%:i386}" != "$p" ] && ! grep -qx i386 "$s/archs"; }; then
            echo "E: Unable to locate package $p" >&2
            exit 100
        fi
    done
    printf '%s\n' "${packages[@]}" >>"$s/installed" ;;
esac
EOF
cat >"$bin/dpkg" <<'EOF'
#!/bin/bash
s=$STANDIN_STATE
echo "dpkg $*" >>"$s/calls"
case "$1" in
--print-foreign-architectures) cat "$s/archs" ;;
--add-architecture) echo "$2" >>"$s/archs" ;;
--remove-architecture)
    if grep -q ":$2\$" "$s/installed"; then
        echo "dpkg: error: cannot remove architecture '$2' currently in use by the database" >&2
        exit 2
    fi
    sed -i "/^$2\$/d" "$s/archs" ;;
-s) grep -qxF "$2" "$s/installed" ;;
esac
EOF
printf '#!/bin/bash\nexec "$@"\n' >"$bin/sudo"
chmod +x "$bin"/*
# What the script runs besides them; none of what it installs.
for tool in bash dirname id grep sed awk mktemp rm seq sleep cat tr wc touch true; do
    ln -s "$(type -P "$tool")" "$bin/$tool"
done

# ---- the choice of Wine ----
# name | bits forced | update | broken | foreign architectures before |
# installed before => exit status | bits chosen | architectures after |
# what stderr says
choices=(
    "the i386 index fails to download        |32|i386     |            |    |           =>0|64|    |the 32-bit Wine cannot be installed (apt-get update failed for the i386 packages: Failed to fetch http://mirror.invalid/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size"
    "wine32:i386 generates breaks            |32|ok       |wine32:i386 |    |           =>0|64|    |the 32-bit Wine cannot be installed (apt-get install wine32:i386 failed: libc6:i386 : Breaks: libc6 (!= 2.36-9+deb12u3) but 2.36-9+deb12u4 is to be installed; Error, pkgProblemResolver::Resolve generated breaks"
    "both, as on the machine that stopped    |32|i386     |wine32:i386 |    |           =>0|64|    |apt-get update failed for the i386 packages"
    "an i386 architecture there before stays |32|ok       |wine32:i386 |i386|           =>0|64|i386|the 32-bit Wine cannot be installed (apt-get install wine32:i386 failed"
    "the update fails once, then works       |32|i386-once|            |    |           =>0|32|i386|trying again in 0 s"
    "the amd64 index fails                   |32|amd64    |            |    |           =>0|32|i386|apt-get update failed (Failed to fetch http://mirror.invalid/debian/dists/bookworm/main/binary-amd64/Packages.xz  Could not connect to mirror.invalid:80); installing from the package lists there are"
    "the 32-bit Wine there, its index fails  |32|i386     |            |i386|wine32:i386=>0|32|i386|apt-get update failed (Failed to fetch"
    "an amd64 package fails where 32-bit runs|32|ok       |cmake       |    |           =>1|  |    |cannot install cmake: Unable to locate package cmake"
    "an amd64 package fails after the i386   |32|i386     |ninja-build |    |           =>1|  |    |cannot install ninja-build: Unable to locate package ninja-build"
    "an amd64 package fails where 64-bit runs|64|ok       |wine64      |    |           =>1|  |    |cannot install wine64: Unable to locate package wine64"
)
trim() { local v=$1; v=${v#"${v%%[![:space:]]*}"}; echo "${v%"${v##*[![:space:]]}"}"; }
for row in "${choices[@]}"; do
    IFS='|' read -r name bits update broken archs installed want_status want_bits want_archs want_said <<<"${row/=>/|}"
    name=$(trim "$name") update=$(trim "$update") broken=$(trim "$broken") archs=$(trim "$archs")
    installed=$(trim "$installed") want_bits=$(trim "$want_bits") want_archs=$(trim "$want_archs")
    cases=$((cases + 1))
    state="$tmp/state-$cases"
    mkdir -p "$state/commands"
    [ -z "$archs" ] || echo "$archs" >"$state/archs"
    [ -z "$installed" ] || echo "$installed" >"$state/installed"
    # An installed 32-bit Wine brings its command.
    [ "$installed" != wine32:i386 ] || ln -s "$bin/true" "$state/commands/wine"
    touch "$state/archs" "$state/installed" "$state/calls"
    status=0
    env -i PATH="$bin:$state/commands" HOME="$tmp" STANDIN_STATE="$state" STANDIN_UPDATE="$update" \
        STANDIN_BROKEN="$broken" LAUNCHER_WINE_BITS="$bits" DEPS_UPDATE_PAUSE=0 \
        bash -c 'source "$1/scripts/install-deps.sh"; deps_install; echo "bits $LAUNCHER_WINE_BITS"' _ "$here" \
        >"$state/out" 2>"$state/err" || status=$?
    [ "$status" = "$want_status" ] || fail "$name" "exit status $status, not $want_status"
    grep -qF -- "$want_said" "$state/err" || fail "$name" "stderr does not say: $want_said"
    # Said once, in the script's words: apt's own lines stay in its log.
    [ "$(grep -c 'the 32-bit Wine cannot be installed' "$state/err")" -le 1 ] || fail "$name" "the fall-back said twice"
    ! grep -q '^E: ' "$state/err" || fail "$name" "apt's own lines on stderr"
    [ "$(tr '\n' ' ' <"$state/archs" | sed 's/ $//')" = "$want_archs" ] ||
        fail "$name" "foreign architectures '$(tr '\n' ' ' <"$state/archs")', not '$want_archs'"
    if [ "$want_status" = 0 ]; then
        grep -qx "bits $want_bits" "$state/out" || fail "$name" "chose $(cat "$state/out"), not $want_bits-bit"
        # The last install is of the chosen Wine, unless it was there.
        wine=wine64
        [ "$want_bits" = 32 ] && wine=wine32:i386
        [ "$installed" = "$wine" ] || grep '^apt-get install' "$state/calls" | tail -n 1 | grep -qw -- "$wine" ||
            fail "$name" "the last install was not of $wine"
    fi
    if [ "$failures" -gt 0 ] && [ -z "${shown:-}" ]; then
        shown=1
        echo "--- $name: stderr" >&2; cat "$state/err" >&2
        echo "--- calls" >&2; cat "$state/calls" >&2
    fi
done

# ---- the test wrapper ----
# what the stand-in loader prints and its exit status
#   => what the wrapper's stderr says | what it does not
cat >"$tmp/loader" <<'EOF'
#!/bin/bash
# STANDIN_MODE: silent (Wine's err line only), quiet (nothing) or talks.
case "$STANDIN_MODE" in
silent) echo "0024:err:module:import_dll Library MSVCP140.dll (needed by L\"C:\\\\t.exe\") not found" >&2 ;;
talks) echo "[ RUN      ] Case.Name"; echo "the test's own line" >&2; echo "0024:err:ole:CoGetClassObject class not registered" >&2 ;;
esac
exit "$STANDIN_EXIT"
EOF
chmod +x "$tmp/loader"
runs=(
    "silent|5  =>t.exe printed nothing; the loader ($tmp/loader) ended with exit code 5|0024:err:module:import_dll Library MSVCP140.dll|"
    "quiet |0  =>t.exe printed nothing; the loader ($tmp/loader) ended with exit code 0|Wine said nothing either|"
    "talks |1  =>the test's own line||0024:err:ole|printed nothing"
)
for row in "${runs[@]}"; do
    IFS='|' read -r mode code said also_said not_said <<<"${row/=>/|}"
    mode=$(trim "$mode") code=$(trim "$code")
    cases=$((cases + 1))
    status=0
    STANDIN_MODE=$mode STANDIN_EXIT=$code bash "$here/tests/support/wine_run.sh" "$tmp/loader" t.exe --gtest_filter=A.B \
        >"$tmp/run.out" 2>"$tmp/run.err" || status=$?
    [ "$status" = "$code" ] || fail "wrapper, $mode" "exit status $status, not the loader's $code"
    for want in "$said" "$also_said"; do
        [ -z "$want" ] || grep -qF -- "$want" "$tmp/run.err" || fail "wrapper, $mode" "stderr does not say: $want"
    done
    [ -z "$not_said" ] || ! grep -qF -- "$not_said" "$tmp/run.err" || fail "wrapper, $mode" "stderr says: $not_said"
    if [ "$mode" = talks ]; then
        [ "$(cat "$tmp/run.out")" = "[ RUN      ] Case.Name" ] || fail "wrapper, $mode" "stdout is not the program's"
    fi
done

if [ "$failures" -gt 0 ]; then
    echo "the scripts' tests: $failures failures in $cases cases" >&2
    exit 1
fi
echo "the scripts' tests: all $cases cases hold"
