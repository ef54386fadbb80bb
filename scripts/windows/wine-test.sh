#!/usr/bin/env bash
# Runs a Windows test executable under Wine for CTest (the build's cross-compiling emulator).
# Wine hands no QT_* variable of the caller to a Windows process, so the offscreen platform is
# set inside Wine, by cmd. A Wine process started without a terminal shows no Qt Test report on
# standard output, so the report is written to a file and printed from there; the exit status is
# the test's.
exe="$1"
shift
out="$(mktemp /tmp/ferdano-wintest.XXXXXX)"
status=0
"${FERDANO_WINE:-/usr/lib/wine/wine64}" cmd /c \
  "set QT_QPA_PLATFORM=offscreen&& Z:${exe//\//\\} -o Z:${out//\//\\},txt $*" || status=$?
cat "$out"
rm -f "$out"
exit "$status"
