#!/usr/bin/env bash
# Checks a built Debian package: its control fields, that it holds every file
# an installation needs, and that the version it names agrees everywhere with
# project() in CMakeLists.txt.
#   packaging/check-package.sh [PACKAGE.deb]   (without one, builds it first)
set -euo pipefail
cd "$(dirname "$0")/.."

deb=${1:-}
if [ -z "$deb" ]; then
  deb=$(./linemend.sh package | sed -n 's/^Package: //p')
fi

failures=0
fail() { echo "check-package: $*" >&2; failures=$((failures + 1)); }

version=$(sed -n 's/^project(TornakLinemend VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "check-package: no version in CMakeLists.txt" >&2; exit 2; }
arch=$(dpkg --print-architecture)
[ "$(basename "$deb")" = "tornak-linemend_${version}_${arch}.deb" ] ||
  fail "file name $(basename "$deb"), expected tornak-linemend_${version}_${arch}.deb"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = tornak-linemend ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version), project() says $version"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture: $(field Architecture)"
[ "$(field Section)" = video ] || fail "Section: $(field Section)"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
for lib in libc6 libqt6widgets6 libuchardet0; do
  field Depends | grep -qE "(^|, )$lib( |,|$)" || fail "Depends lacks $lib: $(field Depends)"
done
# A long description besides the summary line.
[ "$(field Description | wc -l)" -ge 3 ] || fail "no long description"

contents=$(dpkg-deb -c "$deb" | awk '{print $NF}' | sed 's|^\./|/|')
expected=(/usr/bin/linemend /usr/bin/tornak-linemend
          /usr/share/applications/tornak-linemend.desktop
          /usr/share/metainfo/org.tornak.linemend.metainfo.xml
          /usr/share/man/man1/linemend.1.gz /usr/share/man/man1/tornak-linemend.1.gz
          /usr/share/doc/tornak-linemend/copyright /usr/share/doc/tornak-linemend/changelog.gz)
for size in 16 22 24 32 48 64 128 256 512; do
  expected+=("/usr/share/icons/hicolor/${size}x${size}/apps/tornak-linemend.png")
done
for path in "${expected[@]}"; do
  grep -qxF "$path" <<<"$contents" || fail "missing $path"
done

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"

# Each icon is the size its folder names.
for size in 16 22 24 32 48 64 128 256 512; do
  png="$root/usr/share/icons/hicolor/${size}x${size}/apps/tornak-linemend.png"
  [ -f "$png" ] || continue
  got=$(python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(24); print("%dx%d" % struct.unpack(">II", d[16:24]))' "$png")
  [ "$got" = "${size}x${size}" ] || fail "icon ${size}x${size} is $got"
done

# The programs run from the package, and say its version.
out=$("$root/usr/bin/linemend" --version 2>&1) || true
[ "$out" = "linemend $version" ] || fail "linemend --version says: $out"

# Every place that names the version agrees with the package.
zcat "$root/usr/share/doc/tornak-linemend/changelog.gz" | head -n1 |
  grep -qF "tornak-linemend ($version)" || fail "changelog does not start at $version"
grep -qF "<release version=\"$version\"" "$root/usr/share/metainfo/org.tornak.linemend.metainfo.xml" ||
  fail "metainfo has no release $version"
for page in linemend tornak-linemend; do
  file="$root/usr/share/man/man1/$page.1.gz"
  [ -f "$file" ] || continue
  zcat "$file" | head -n1 | grep -qF "Tornak Linemend $version" || fail "$page(1) is not of $version"
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$file" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$page(1): $warnings"
done

# The MIME types come from the formats' registry at build time.
grep -qE '^MimeType=(text|application)/[a-z0-9.+-]+;' "$root/usr/share/applications/tornak-linemend.desktop" ||
  fail "desktop entry names no MIME type"
grep -q '@' "$root/usr/share/applications/tornak-linemend.desktop" "$root/usr/share/metainfo/org.tornak.linemend.metainfo.xml" &&
  fail "a template's @…@ was left unfilled"
desktop-file-validate "$root/usr/share/applications/tornak-linemend.desktop" ||
  fail "desktop entry does not validate"
appstreamcli validate-tree --no-net --pedantic "$root" >/dev/null ||
  fail "metainfo does not validate: $(appstreamcli validate-tree --no-net --pedantic "$root")"

if [ "$failures" -ne 0 ]; then
  echo "check-package: $failures failure(s) in $deb" >&2
  exit 1
fi
echo "check-package: $deb is sound"
