#!/usr/bin/env bash
# Installs what is missing, builds, creates the sample database beside the program if there is
# none, and starts the program.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
ensure_packages "${PACKAGES[@]}"
build
if [ ! -f "$BUILD_DIR/bin/DB/ferdano.db" ] && [ ! -f "$BUILD_DIR/bin/DB/server.conf" ]; then
  "$BUILD_DIR/bin/ferdano-dbbuild" "$BUILD_DIR/bin/DB"
fi
exec "$BUILD_DIR/bin/ferdano"
