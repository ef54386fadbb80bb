#!/usr/bin/env bash
# Builds a Release build in build-rel and runs the benchmarks; the Markdown report goes to
# standard output (progress to standard error). The far-station figures run against a throwaway
# PostgreSQL server that the script starts (and removes at its end).
#   bash scripts/bench.sh [RUNS]        e.g.  bash scripts/bench.sh > bench/RESULTS.md
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
ensure_packages "${PACKAGES[@]}" >&2
BUILD_DIR="${FERDANO_BENCH_BUILD_DIR:-$FERDANO_ROOT/build-rel}"
if [ ! -f "$BUILD_DIR/build.ninja" ]; then
  cmake -S "$FERDANO_ROOT" -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release >&2
fi
cmake --build "$BUILD_DIR" -j "$(nproc)" --target ferdano-bench ferdano-bench-server >&2
"$BUILD_DIR/bin/ferdano-bench" "${1:-30}"
start_test_server >&2
"$BUILD_DIR/bin/ferdano-bench-server"
