#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: once on SQLite and, for the data and
# pupil tests, a second time (the *_pg twins) against a throwaway PostgreSQL server that this
# script starts on a Unix socket and removes again when it ends, also when a test fails; the
# end-to-end suite (tests/e2e) runs among them, on an Xvfb of its own. With the Windows libraries
# in their cache, the Windows build's platform tests run under Wine too (scripts/windows.sh check).
# Then each fuzz target runs for a short time (FERDANO_FUZZ_SECONDS per target, default 20;
# 0 skips the fuzzing) on a copy of its corpus.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
ensure_packages "${PACKAGES[@]}" "${E2E_PACKAGES[@]}"
# The benchmarks are built by scripts/bench.sh in a Release folder of their own; no test needs them.
build RelWithDebInfo -DFERDANO_BUILD_BENCH=OFF
start_test_server
(cd "$BUILD_DIR" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)")
# The Windows build and its platform tests under Wine, when the Windows libraries are in their
# cache (bash scripts/windows.sh deps fills it); otherwise one line says so.
bash "$FERDANO_ROOT/scripts/windows.sh" check
FUZZ_SECONDS="${FERDANO_FUZZ_SECONDS:-20}"
if [ "$FUZZ_SECONDS" -gt 0 ]; then
  bash "$FERDANO_ROOT/scripts/fuzz.sh" "$FUZZ_SECONDS"
fi
