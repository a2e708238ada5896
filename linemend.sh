#!/usr/bin/env bash
# Set-up on a fresh Debian machine:
#   ./linemend.sh start [FILE.sub]   installs what is missing, builds and starts the program
#   ./linemend.sh test               installs what is missing, builds and runs every test,
#                                    then builds the Debian package and checks it
#   ./linemend.sh test --sanitize    the same under AddressSanitizer and UndefinedBehaviorSanitizer
#   ./linemend.sh bench              builds and runs the benchmark
#   ./linemend.sh package            builds the Debian packages linemend_VERSION_ARCH.deb (the
#                                    command line) and tornak-linemend_VERSION_ARCH.deb (the window)
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(build-essential cmake pkg-config qt6-base-dev qt6-base-dev-tools libgl-dev libgtest-dev
          libbenchmark-dev libuchardet-dev libpugixml-dev fonts-liberation2 fontconfig
          dpkg-dev desktop-file-utils appstream)
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

# A release build of the two programs alone, installed under /usr and packed
# by CPack into two packages; Depends comes from dpkg-shlibdeps. Prints each
# package's path.
package() {
  local dir=${PACKAGE_DIR:-build-package}
  # Debian's own hardening flags, as a package built by dpkg-buildpackage gets.
  export DEB_BUILD_MAINT_OPTIONS=hardening=+all
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
        -DLINEMEND_BUILD_TESTS=OFF -DLINEMEND_BUILD_BENCHMARKS=OFF \
        "-DCMAKE_CXX_FLAGS=$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
        "-DCMAKE_EXE_LINKER_FLAGS=$(dpkg-buildflags --get LDFLAGS)" >/dev/null
  cmake --build "$dir" -j"$(nproc)"
  mapfile -t PACKAGE_FILES < <(cd "$dir" && cpack -G DEB -C Release |
                               sed -n 's/^CPack: - package: \(.*\) generated\.$/\1/p')
  [ ${#PACKAGE_FILES[@]} -eq 2 ] || { echo "cpack did not make the two packages" >&2; exit 1; }
  for f in "${PACKAGE_FILES[@]}"; do echo "Package: $f"; done
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
    if [ "${2:-}" != "--sanitize" ]; then
      package
      packaging/check-package.sh "${PACKAGE_FILES[@]}"
    fi
    ;;
  package)
    install_missing
    package
    ;;
  bench)
    install_missing
    build
    exec "$BUILD_DIR/linemend_bench" "${@:2}"
    ;;
  *)
    echo "usage: $0 start [FILE.sub] | test [--sanitize] | bench | package" >&2
    exit 2
    ;;
esac
