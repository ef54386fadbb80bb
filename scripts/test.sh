#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: once on SQLite and, for the data and
# pupil tests, a second time (the *_pg twins) against a throwaway PostgreSQL server that this
# script starts on a Unix socket and removes again when it ends, also when a test fails.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
ensure_packages "${PACKAGES[@]}"
build
start_test_server
cd "$BUILD_DIR"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)"
