#!/usr/bin/env bash
# The test command's PostgreSQL packages: installing them leaves no server of Debian's own behind
# (its "main" cluster is switched off before the first install, and the setting goes again), and a
# machine that has them already is left alone. Package tools are stubbed; nothing is installed.
set -euo pipefail
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export FERDANO_PG_CREATECLUSTER_DIR="$work/createcluster.d"
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/common.sh"

installed=no
calls=()
cluster=none
dpkg-query() {
  if [ "$installed" = yes ]; then echo "install ok installed"; fi
}
# What Debian's package would do on install: create its main cluster unless a createcluster.d
# file says create_main_cluster = false.
# Only the file commands run for real (on the temporary directory); anything else is recorded.
as_root() {
  calls+=("$*")
  case "$1" in
  mkdir | tee | rm) "$@" ;;
  *)
    if [[ " $* " == *" apt-get install "* ]]; then
      cluster=created
      if grep -qsE '^\s*create_main_cluster\s*=\s*false' "$FERDANO_PG_CREATECLUSTER_DIR"/*.conf; then
        cluster=none
      fi
      installed=yes
    fi
    ;;
  esac
}
pg_bindir() { :; } # no server programs: start_test_server stops after the packages

fail() { echo "FAIL: $*" >&2; exit 1; }

start_test_server 2>/dev/null || true
[ "$installed" = yes ] || fail "postgresql was not installed"
[ "$cluster" = none ] || fail "installing postgresql created Debian's main cluster"
leftover="$(ls -A "$FERDANO_PG_CREATECLUSTER_DIR" 2>/dev/null || true)"
[ -z "$leftover" ] || fail "the cluster setting was left behind: $leftover"

calls=()
start_test_server 2>/dev/null || true
[ ${#calls[@]} -eq 0 ] || fail "an installed postgresql was touched: ${calls[*]}"
echo "PASS"
