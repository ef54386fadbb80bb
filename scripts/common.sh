# Shared by the set-up scripts: Debian packages and the build.
set -euo pipefail

FERDANO_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${FERDANO_BUILD_DIR:-$FERDANO_ROOT/build}"

# The packages the program needs to build and run.
PACKAGES=(build-essential cmake ninja-build pkg-config qt6-base-dev qt6-charts-dev libqt6sql6-sqlite libqt6sql6-psql
          libjpeg62-turbo-dev qt6-translations-l10n fonts-liberation libgl-dev cups-client)

# What the end-to-end suite (tests/e2e) needs: an X server of its own, a session bus with the
# accessibility bus, the AT-SPI Python binding, synthetic keys and clicks, screenshots and window
# stacking (Xlib, Pillow, xprop), and a window manager that keeps windows' stacking states. The
# suite installs CUPS and cups-pdf itself for its printing road when it runs as root.
E2E_PACKAGES=(xvfb dbus dbus-x11 at-spi2-core python3-pyatspi python3-gi xdotool python3-pil python3-xlib
              x11-utils openbox)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; elif command -v sudo >/dev/null; then sudo "$@"; else
    echo "Please run as root (or install sudo) to install: $*" >&2; return 1; fi
}

ensure_packages() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
  fi
}

build() {
  local type="${1:-RelWithDebInfo}"
  if [ ! -f "$BUILD_DIR/build.ninja" ]; then
    cmake -S "$FERDANO_ROOT" -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE="$type" "${@:2}"
  fi
  cmake --build "$BUILD_DIR" -j "$(nproc)"
}

# A throwaway PostgreSQL server for the tests and the load test: a fresh cluster in a temporary
# directory, reachable only through a Unix socket there (no TCP port), removed again on exit.
# As root the server runs as the unprivileged user "postgres"; clients connect as the role
# "postgres" without a password (trust, which is safe for a socket only its owner's tree reaches).
PG_PACKAGES=(postgresql)

# Debian's server package creates a cluster of its own when it is installed ("main", port 5432,
# started now and at every boot). The tests need only its programs, so before the package is
# first installed its cluster creation is switched off; the setting is removed again afterwards,
# leaving Debian's defaults for whatever the machine's administrator installs later.
PG_CREATECLUSTER_DIR="${FERDANO_PG_CREATECLUSTER_DIR:-/etc/postgresql-common/createcluster.d}"
PG_NO_CLUSTER_CONF="$PG_CREATECLUSTER_DIR/ferdano-tests-no-main-cluster.conf"

ensure_pg_packages() {
  if dpkg-query -W -f='${Status}' postgresql 2>/dev/null | grep -q "install ok installed"; then
    return 0
  fi
  as_root mkdir -p "$PG_CREATECLUSTER_DIR"
  echo "create_main_cluster = false" | as_root tee "$PG_NO_CLUSTER_CONF" >/dev/null
  local status=0
  ensure_packages "${PG_PACKAGES[@]}" || status=$?
  as_root rm -f "$PG_NO_CLUSTER_CONF"
  return $status
}

pg_bindir() {
  local d
  d="$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)"
  if [ -n "$d" ] && [ -x "$d/initdb" ]; then echo "$d"; return; fi
  d="$(command -v initdb || true)"
  [ -n "$d" ] && dirname "$(readlink -f "$d")"
}

pg_as_owner() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

start_test_server() {
  ensure_pg_packages
  local bin
  bin="$(pg_bindir)"
  if [ -z "$bin" ]; then echo "PostgreSQL (initdb) not found" >&2; return 1; fi
  PG_TEST_BIN="$bin"
  PG_TEST_DIR="$(mktemp -d /tmp/ferdano-pg.XXXXXX)"
  trap stop_test_server EXIT
  trap 'exit 130' INT TERM
  chmod 755 "$PG_TEST_DIR"
  [ "$(id -u)" -eq 0 ] && chown postgres: "$PG_TEST_DIR"
  pg_as_owner "$bin/initdb" -D "$PG_TEST_DIR/data" -U postgres --auth=trust -E UTF8 --locale=C.UTF-8 \
    >"$PG_TEST_DIR/initdb.log" 2>&1 || { cat "$PG_TEST_DIR/initdb.log" >&2; return 1; }
  # Durability is of no use for a throwaway server; without it the tests run several times faster.
  pg_as_owner "$bin/pg_ctl" -D "$PG_TEST_DIR/data" -l "$PG_TEST_DIR/server.log" -w -t 60 \
    -o "-k $PG_TEST_DIR -c listen_addresses='' -c fsync=off -c synchronous_commit=off -c full_page_writes=off -c max_connections=300" \
    start >/dev/null || { cat "$PG_TEST_DIR/server.log" >&2; return 1; }
  export FERDANO_TEST_PG="$PG_TEST_DIR" FERDANO_TEST_PG_USER=postgres
  echo "PostgreSQL test server on socket directory $PG_TEST_DIR"
}

stop_test_server() {
  if [ -n "${PG_TEST_DIR:-}" ] && [ -d "$PG_TEST_DIR" ]; then
    if [ -f "$PG_TEST_DIR/data/postmaster.pid" ]; then
      pg_as_owner "$PG_TEST_BIN/pg_ctl" -D "$PG_TEST_DIR/data" -m immediate -w stop >/dev/null 2>&1 || true
    fi
    rm -rf "$PG_TEST_DIR"
  fi
  PG_TEST_DIR=
}
