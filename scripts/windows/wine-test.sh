#!/usr/bin/env bash
# Runs a Windows test executable under Wine for CTest (the build's cross-compiling emulator).
# A Wine process started without a terminal shows no Qt Test report on standard output, so the
# report is written to a file and printed from there; the exit status is the test's.
exe="$1"
shift
out="$(mktemp /tmp/ferdano-wintest.XXXXXX)"
status=0
"${FERDANO_WINE:-/usr/lib/wine/wine64}" "$exe" -o "Z:${out//\//\\},txt" "$@" || status=$?
cat "$out"
rm -f "$out"
exit "$status"
