#!/usr/bin/env bash
# Checks the two built Debian packages, linemend (the command line) and
# tornak-linemend (the window): their control fields, that each holds every
# file an installation needs, that the command line pulls in no Qt, that the
# man pages name every option --help names, and that the version agrees
# everywhere with project() in CMakeLists.txt.
#   packaging/check-package.sh [linemend_*.deb tornak-linemend_*.deb]
#   (without them, builds them first)
set -euo pipefail
cd "$(dirname "$0")/.."

debs=("$@")
if [ ${#debs[@]} -eq 0 ]; then
  mapfile -t debs < <(./linemend.sh package | sed -n 's/^Package: //p')
fi

failures=0
fail() { echo "check-package: $*" >&2; failures=$((failures + 1)); }

version=$(sed -n 's/^project(TornakLinemend VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "check-package: no version in CMakeLists.txt" >&2; exit 2; }
arch=$(dpkg --print-architecture)

cli='' gui=''
for deb in "${debs[@]}"; do
  case "$(basename "$deb")" in
    "linemend_${version}_${arch}.deb") cli=$deb ;;
    "tornak-linemend_${version}_${arch}.deb") gui=$deb ;;
    *) fail "unexpected package $(basename "$deb")" ;;
  esac
done
[ -n "$cli" ] || { echo "check-package: no linemend_${version}_${arch}.deb" >&2; exit 1; }
[ -n "$gui" ] || { echo "check-package: no tornak-linemend_${version}_${arch}.deb" >&2; exit 1; }

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT

# The fields and files both packages share.
check_common() {
  local deb=$1 name=$2
  field() { dpkg-deb -f "$deb" "$1"; }
  [ "$(field Package)" = "$name" ] || fail "$name: Package: $(field Package)"
  [ "$(field Version)" = "$version" ] || fail "$name: Version: $(field Version), project() says $version"
  [ "$(field Architecture)" = "$arch" ] || fail "$name: Architecture: $(field Architecture)"
  [ "$(field Section)" = video ] || fail "$name: Section: $(field Section)"
  [ -n "$(field Maintainer)" ] || fail "$name: no Maintainer"
  [[ "$(field Homepage)" == https://* ]] || fail "$name: Homepage: $(field Homepage)"
  field Depends | grep -qE "(^|, )libc6( |,|$)" || fail "$name: Depends lacks libc6: $(field Depends)"
  # A long description besides the summary line.
  [ "$(field Description | wc -l)" -ge 3 ] || fail "$name: no long description"
  mkdir -p "$root/$name"
  dpkg-deb -x "$deb" "$root/$name"
  for path in /usr/share/doc/$name/copyright /usr/share/doc/$name/changelog.gz; do
    [ -f "$root/$name$path" ] || fail "$name: missing $path"
  done
  zcat "$root/$name/usr/share/doc/$name/changelog.gz" | head -n1 |
    grep -qF "tornak-linemend ($version)" || fail "$name: changelog does not start at $version"
}

check_man_page() {
  local name=$1 page=$2
  local file="$root/$name/usr/share/man/man1/$page.1.gz"
  [ -f "$file" ] || { fail "$name: missing $page(1)"; return; }
  zcat "$file" | grep -m1 '^\.TH' | grep -qF "Tornak Linemend $version" || fail "$page(1) is not of $version"
  local warnings
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$file" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$page(1): $warnings"
}

# ---- linemend: the command line alone, without Qt
check_common "$cli" linemend
contents=$(dpkg-deb -c "$cli" | awk '{print $NF}' | sed 's|^\./|/|')
for path in /usr/bin/linemend /usr/share/man/man1/linemend.1.gz; do
  grep -qxF "$path" <<<"$contents" || fail "linemend: missing $path"
done
grep -q 'tornak-linemend$\|/applications/\|/icons/' <<<"$contents" && fail "linemend holds the window's files"
dpkg-deb -f "$cli" Depends | grep -qiE 'qt|libgl|libx11|libxcb|libfontconfig' &&
  fail "linemend depends on a graphical library: $(dpkg-deb -f "$cli" Depends)"
# It carries its C++ runtime and libraries in (LINEMEND_STATIC_CLI), and its
# copyright file says so.
needed=$(readelf -d "$root/linemend/usr/bin/linemend" | sed -n 's/.*Shared library: \[\(.*\)\]/\1/p' | tr '\n' ' ')
grep -qE 'libstdc\+\+|libuchardet|libpugixml' <<<"$needed" && fail "linemend loads shared libraries it should carry in: $needed"
for name in uchardet pugixml libstdc++; do
  grep -qF "Files: linked-in/$name/" "$root/linemend/usr/share/doc/linemend/copyright" ||
    fail "linemend: its copyright file does not name $name"
done
out=$("$root/linemend/usr/bin/linemend" --version 2>&1) || true
[ "$out" = "linemend $version" ] || fail "linemend --version says: $out"
check_man_page linemend linemend
# Every option --help names is in the man page.
if [ -f "$root/linemend/usr/share/man/man1/linemend.1.gz" ]; then
  page=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$root/linemend/usr/share/man/man1/linemend.1.gz" 2>/dev/null)
  for option in $("$root/linemend/usr/bin/linemend" --help | grep -oE '(^|[ ,])--?[a-zA-Z][a-z-]*' | tr -d ' ,' | sort -u); do
    grep -qF -- "$option" <<<"$page" || fail "linemend(1) does not name $option"
  done
fi

# ---- tornak-linemend: the window, beside the command line of its version
check_common "$gui" tornak-linemend
dpkg-deb -f "$gui" Depends | grep -qF "linemend (= $version)" ||
  fail "tornak-linemend does not depend on linemend (= $version): $(dpkg-deb -f "$gui" Depends)"
dpkg-deb -f "$gui" Depends | grep -qE "(^|, )libqt6widgets6( |,|$)" ||
  fail "tornak-linemend: Depends lacks libqt6widgets6: $(dpkg-deb -f "$gui" Depends)"
contents=$(dpkg-deb -c "$gui" | awk '{print $NF}' | sed 's|^\./|/|')
expected=(/usr/bin/tornak-linemend
          /usr/share/applications/org.tornak.linemend.desktop
          /usr/share/metainfo/org.tornak.linemend.metainfo.xml
          /usr/share/man/man1/tornak-linemend.1.gz
          /usr/share/icons/hicolor/scalable/apps/tornak-linemend.svg)
for size in 16 22 24 32 48 64 128 256 512; do
  expected+=("/usr/share/icons/hicolor/${size}x${size}/apps/tornak-linemend.png")
done
for path in "${expected[@]}"; do
  grep -qxF "$path" <<<"$contents" || fail "tornak-linemend: missing $path"
done
grep -qxF /usr/bin/linemend <<<"$contents" && fail "tornak-linemend holds the command line too"
g="$root/tornak-linemend"

# Each icon is the size its folder names; the scalable one is SVG.
for size in 16 22 24 32 48 64 128 256 512; do
  png="$g/usr/share/icons/hicolor/${size}x${size}/apps/tornak-linemend.png"
  [ -f "$png" ] || continue
  got=$(python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(24); print("%dx%d" % struct.unpack(">II", d[16:24]))' "$png")
  [ "$got" = "${size}x${size}" ] || fail "icon ${size}x${size} is $got"
done
svg="$g/usr/share/icons/hicolor/scalable/apps/tornak-linemend.svg"
[ -f "$svg" ] && { grep -q '<svg' "$svg" || fail "the scalable icon is no SVG"; }

out=$(QT_QPA_PLATFORM=offscreen "$g/usr/bin/tornak-linemend" --version 2>&1) || true
[ "$out" = "tornak-linemend $version" ] || fail "tornak-linemend --version says: $out"
check_man_page tornak-linemend tornak-linemend

desktop="$g/usr/share/applications/org.tornak.linemend.desktop"
metainfo="$g/usr/share/metainfo/org.tornak.linemend.metainfo.xml"
grep -qF "<release version=\"$version\"" "$metainfo" || fail "metainfo has no release $version"
for tag in '<url type="homepage">' '<url type="bugtracker">' '<developer' '<keywords>' '<screenshot'; do
  grep -qF "$tag" "$metainfo" || fail "metainfo lacks $tag"
done
grep -qE '^Categories=.*AudioVideoEditing;' "$desktop" || fail "desktop entry is not in AudioVideoEditing"
# The MIME types come from the formats' registry at build time.
grep -qE '^MimeType=(text|application)/[a-z0-9.+-]+;' "$desktop" || fail "desktop entry names no MIME type"
grep -q '@' "$desktop" "$metainfo" && fail "a template's @…@ was left unfilled"
desktop-file-validate "$desktop" || fail "desktop entry does not validate"
appstreamcli validate-tree --no-net --pedantic "$g" >/dev/null ||
  fail "metainfo does not validate: $(appstreamcli validate-tree --no-net --pedantic "$g")"

if [ "$failures" -ne 0 ]; then
  echo "check-package: $failures failure(s) in ${debs[*]}" >&2
  exit 1
fi
echo "check-package: ${debs[*]} are sound"
