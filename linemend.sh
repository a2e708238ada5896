#!/usr/bin/env bash
# Set-up on a fresh Debian machine:
#   ./linemend.sh start [FILE.sub]   installs what is missing, builds and starts the program
#   ./linemend.sh test               installs what is missing, builds and runs every test
#   ./linemend.sh test --sanitize    the same under AddressSanitizer and UndefinedBehaviorSanitizer
#   ./linemend.sh bench              builds and runs the benchmark
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(build-essential cmake pkg-config qt6-base-dev qt6-base-dev-tools libgl-dev libgtest-dev
          libbenchmark-dev libuchardet-dev fonts-liberation2 fontconfig)
BUILD_DIR=${BUILD_DIR:-build}
CMAKE_FLAGS=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)

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
  cmake -S . -B "$BUILD_DIR" "${CMAKE_FLAGS[@]}"
  cmake --build "$BUILD_DIR" -j"$(nproc)"
}

case "${1:-}" in
  start)
    install_missing
    build
    exec "$BUILD_DIR/tornak-linemend" "${@:2}"
    ;;
  test)
    install_missing
    if [ "${2:-}" = "--sanitize" ]; then
      BUILD_DIR=${BUILD_DIR/%build/build-sanitize}
      CMAKE_FLAGS=(-DCMAKE_BUILD_TYPE=Debug -DLINEMEND_BUILD_BENCHMARKS=OFF
                   "-DCMAKE_CXX_FLAGS=-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer")
      # Leaks are not looked for: the toolkit keeps caches until exit.
      export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1
    fi
    build
    QT_QPA_PLATFORM=offscreen ctest --test-dir "$BUILD_DIR" --output-on-failure -j"$(nproc)"
    ;;
  bench)
    install_missing
    build
    exec "$BUILD_DIR/linemend_bench" "${@:2}"
    ;;
  *)
    echo "usage: $0 start [FILE.sub] | test [--sanitize] | bench" >&2
    exit 2
    ;;
esac
