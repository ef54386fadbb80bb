#!/usr/bin/env bash
# Builds Ferdano for Windows on this Debian machine and tests it under Wine:
#   1. installs the Debian packages it needs (mingw-w64, Wine, NSIS, ...);
#   2. builds the Windows libraries from Debian's own sources into a cache folder
#      ($FERDANO_WIN_DEPS, default ~/.cache/ferdano-win-deps; reused when present): SQLite,
#      libjpeg-turbo, libpq and Qt. The first run takes about 45 minutes on two cores (Qt alone
#      about 35); later runs reuse the cache;
#   3. cross-builds ferdano.exe, ferdano-dbbuild.exe and the test executables into
#      $FERDANO_WIN_BUILD_DIR (default build-win);
#   4. makes ferdano-<version>-windows.zip and the installer ferdano-<version>-setup.exe there;
#   5. runs the tests under Wine: the unit and window tests (offscreen), the program on a virtual
#      X server (main window and sign-in on a screenshot, a second instance refused), and the
#      installer, silently, followed by the installed program.
# Usage: bash scripts/windows.sh [deps|build|package|test|check|all]   (default: all)
#   check: only when the cache is filled: cross-build the program and the tests of the platform
#          layers and of start-up, and run them under Wine (what scripts/test.sh runs); says so in
#          one line and stops otherwise.
set -euo pipefail

FERDANO_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$FERDANO_ROOT/scripts/common.sh"
source "$FERDANO_ROOT/scripts/windows-lib.sh"

stage="${1:-all}"
case "$stage" in
  deps) win_packages; win_deps ;;
  build) win_packages; win_deps; win_build ;;
  package) win_packages; win_deps; win_build; win_package ;;
  test) win_packages; win_deps; win_build; win_package; win_test_all ;;
  all) win_packages; win_deps; win_build; win_package; win_test_all ;;
  check)
    if ! win_deps_ready; then
      echo "Windows build skipped: no Windows libraries in $WIN_DEPS (bash scripts/windows.sh deps fills it)"
      exit 0
    fi
    win_packages; win_build check; win_test_units "$(IFS='|'; echo "${WIN_CHECK_TESTS[*]}")" ;;
  *) echo "usage: $0 [deps|build|package|test|check|all]" >&2; exit 2 ;;
esac
