#!/usr/bin/env bash
# Runs a Windows test executable under Wine for CTest (the build's cross-compiling emulator).
# Wine hands no QT_* variable of the caller to a Windows process, so the offscreen platform is
# set inside Wine, by cmd. The offscreen platform of Windows reads its fonts from a folder (Qt's
# lib/fonts unless QT_QPA_FONTDIR names one), not from the system; without any, text is drawn
# in no real face. It gets Liberation Sans and Mono, the metric twins of Arial and Courier New,
# which the program asks for. A Wine process started without a terminal shows no Qt Test report
# on standard output, so the report is written to a file and printed from there; the exit status
# is the test's.
exe="$1"
shift
WIN_TEST_FONTS=/usr/share/fonts/truetype/liberation
out="$(mktemp /tmp/ferdano-wintest.XXXXXX)"
status=0
"${FERDANO_WINE:-/usr/lib/wine/wine64}" cmd /c \
  "set QT_QPA_PLATFORM=offscreen&& set QT_QPA_FONTDIR=Z:${WIN_TEST_FONTS//\//\\}&& Z:${exe//\//\\} -o Z:${out//\//\\},txt $*" || status=$?
cat "$out"
rm -f "$out"
exit "$status"
