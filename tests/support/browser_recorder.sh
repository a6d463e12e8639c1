#!/bin/sh
# Stands in for the user's web browser: Wine's winebrowser runs it with the
# address to open, and it appends that address to $LAUNCHER_TEST_BROWSER_LOG.
[ -n "$LAUNCHER_TEST_BROWSER_LOG" ] && printf '%s\n' "$1" >> "$LAUNCHER_TEST_BROWSER_LOG"
exit 0
