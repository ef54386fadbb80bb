#!/usr/bin/env bash
# Installs what is missing, builds and runs every test.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
ensure_packages "${PACKAGES[@]}"
build
cd "$BUILD_DIR"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)"
