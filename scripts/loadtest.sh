#!/usr/bin/env bash
# Builds the program, starts a throwaway PostgreSQL server like the test command does (it allows
# 300 connections), and runs the load test: 200 stations, each three times signing in, sitting a
# random live test to its stored report and signing out, while 20 more contend for 4 shared pupils.
# Arguments go to the load test (e.g. --stations 40 --contenders 10 --rounds 1).
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
ensure_packages "${PACKAGES[@]}"
build
start_test_server
"$BUILD_DIR/bin/ferdano-loadtest" "$@"
