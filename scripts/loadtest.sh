#!/usr/bin/env bash
# Builds the program, starts a throwaway PostgreSQL server like the test command does, and runs
# the load test: 20 stations each sitting a live test, 5 more after one contested pupil.
# Arguments go to the load test (e.g. --stations 40 --contenders 10).
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
ensure_packages "${PACKAGES[@]}"
build
start_test_server
"$BUILD_DIR/bin/ferdano-loadtest" "$@"
