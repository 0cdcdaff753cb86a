#!/usr/bin/env bash
# Runs a Windows program under Wine for CTest. The output goes through a file, not a pipe: the
# program that opens the first window starts Wine's desktop process, which takes the program's
# output along and outlives it by a second, and CTest would wait for it to let go of a pipe.
# The programs end their lines with CR LF, and CTest reads the test list a test program prints
# line by line: the CRs go.
output="$(mktemp "${TMPDIR:-/tmp}/lorvex-wine.XXXXXX")"
trap 'rm -f "$output"' EXIT
wine "$@" >"$output" 2>&1
status=$?
tr -d '\r' <"$output"
exit $status
