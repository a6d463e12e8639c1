#!/usr/bin/env bash
# How CTest runs a test program under Wine:
#   wine_run.sh LOADER PROGRAM [ARGUMENT...]
# The program's output passes through as it comes. Wine's own messages (its
# err class, switched on here) are kept apart, and shown with the loader's
# exit code only for a run that printed nothing: such a run otherwise leaves
# no trace of why it ended.
loader=$1
shift
kept=$(mktemp -d)
trap 'rm -rf "$kept"' EXIT
export WINEDEBUG="${WINEDEBUG:+$WINEDEBUG,}err+all"

# Wine's lines start with the thread id and the class: "0024:err:module:...".
exec {out}> >(tee "$kept/out")
tee_pid=$!
exec {err}> >(awk -v wine="$kept/wine" -v own="$kept/own" '
    /^[0-9a-f]+:(err|warn|fixme|trace):/ { print >wine; fflush(wine); next }
    { print; fflush(); print >own; fflush(own) }' >&2)
awk_pid=$!
status=0
"$loader" "$@" >&"$out" 2>&"$err" || status=$?
exec {out}>&- {err}>&-
wait "$tee_pid" "$awk_pid"

if [ ! -s "$kept/out" ] && [ ! -s "$kept/own" ]; then
    {
        echo "wine_run: $1 printed nothing; the loader ($loader) ended with exit code $status"
        if [ -s "$kept/wine" ]; then
            echo "wine_run: what Wine said:"
            cat "$kept/wine"
        else
            echo "wine_run: Wine said nothing either"
        fi
    } >&2
fi
exit "$status"
