# Shared by the set-up scripts: Debian packages and the build.
set -euo pipefail

FERDANO_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${FERDANO_BUILD_DIR:-$FERDANO_ROOT/build}"

# The packages the program needs to build and run.
PACKAGES=(build-essential cmake ninja-build pkg-config qt6-base-dev libqt6sql6-sqlite libqt6sql6-psql
          libjpeg62-turbo-dev qt6-translations-l10n fonts-liberation libgl-dev cups-client)

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
    cmake -S "$FERDANO_ROOT" -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE="$type"
  fi
  cmake --build "$BUILD_DIR" -j "$(nproc)"
}
