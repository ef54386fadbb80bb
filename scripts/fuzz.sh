#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, ASan and UBSan, and runs each for a bounded time.
#   bash scripts/fuzz.sh [SECONDS_PER_TARGET]    (default 600)
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
ensure_packages "${PACKAGES[@]}" clang libclang-rt-14-dev
SECONDS_PER_TARGET="${1:-600}"
FUZZ_BUILD="${FERDANO_FUZZ_BUILD_DIR:-$FERDANO_ROOT/build-fuzz}"
if [ ! -f "$FUZZ_BUILD/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S "$FERDANO_ROOT" -B "$FUZZ_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DFERDANO_FUZZ=ON -DFERDANO_BUILD_TESTS=OFF -DFERDANO_BUILD_BENCH=OFF \
    -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined,fuzzer-no-link -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
fi
cmake --build "$FUZZ_BUILD" -j "$(nproc)" --target fuzz_all
export ASAN_OPTIONS="detect_leaks=0:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
status=0
for target in "$FUZZ_BUILD"/fuzz/fuzz_*; do
  [ -f "$target" ] && [ -x "$target" ] || continue # CMake's own folders sit beside the targets
  name=$(basename "$target")
  corpus="$FERDANO_ROOT/fuzz/corpus/${name#fuzz_}"
  work="$(mktemp -d)"
  cp -r "$corpus"/. "$work"/ 2>/dev/null || true
  echo "== $name: ${SECONDS_PER_TARGET}s"
  # regression inputs first: every file of the corpus must run clean; given as files, they are only
  # run, and nothing (no artifact, no new input) is written into the repository
  inputs=("$work"/*)
  if [ -e "${inputs[0]}" ] && ! (cd "$work" && "$target" -artifact_prefix="$work/" "${inputs[@]}" \
                                   >/dev/null 2>"$work.log"); then
    echo "$name: a corpus input fails"; tail -30 "$work.log"; status=1; continue
  fi
  if ! (cd "$work" && "$target" -max_total_time="$SECONDS_PER_TARGET" -timeout=10 -rss_limit_mb=2048 \
          -artifact_prefix="$work/" -print_final_stats=1 "$work" >"$work.log" 2>&1); then
    echo "$name: found a failure; the input is kept in $work"; tail -40 "$work.log"; status=1
  else
    grep -E 'stat::number_of_executed_units' "$work.log" || true
    rm -rf "$work" "$work.log"
  fi
done
exit $status
