#!/usr/bin/env bash
# Set-up on a fresh Debian machine:
#   ./linemend.sh start   installs what is missing, builds and starts the program
#   ./linemend.sh test    installs what is missing, builds and runs every test
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(build-essential cmake qt6-base-dev qt6-base-dev-tools libgl-dev libgtest-dev
          libbenchmark-dev fonts-liberation2 fontconfig)
BUILD_DIR=${BUILD_DIR:-build}

install_missing() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return
  echo "Installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}"
}

build() {
  cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo
  cmake --build "$BUILD_DIR" -j"$(nproc)"
}

case "${1:-}" in
  start)
    install_missing
    build
    exec "$BUILD_DIR/tornak-linemend"
    ;;
  test)
    install_missing
    build
    QT_QPA_PLATFORM=offscreen ctest --test-dir "$BUILD_DIR" --output-on-failure -j"$(nproc)"
    ;;
  *)
    echo "usage: $0 start|test" >&2
    exit 2
    ;;
esac
