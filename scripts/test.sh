#!/usr/bin/env bash
# Installs what is missing, builds and runs every test, then runs each fuzz target for a short time
# (FERDANO_FUZZ_SECONDS per target, default 20; 0 skips the fuzzing).
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
ensure_packages "${PACKAGES[@]}"
build
(cd "$BUILD_DIR" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)")
FUZZ_SECONDS="${FERDANO_FUZZ_SECONDS:-20}"
if [ "$FUZZ_SECONDS" -gt 0 ]; then
  bash "$FERDANO_ROOT/scripts/fuzz.sh" "$FUZZ_SECONDS"
fi
