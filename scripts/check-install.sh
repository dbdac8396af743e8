#!/usr/bin/env bash
# Checks what a build puts on a system: installs it into a scratch root, checks the
# files, the menu entry, the AppStream metainfo and the manual pages, then packs the
# .deb and checks its dependencies, its contents and that its programs run.
# Usage: scripts/check-install.sh BUILD_DIR
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: scripts/check-install.sh BUILD_DIR" >&2; exit 2; }
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
  echo "check-install: FAILED: $*" >&2
  exit 1
}
step() { echo "check-install: $*"; }
# Runs a command with its output kept aside; shown only when it fails.
quiet() {
  "$@" >"$work/log" 2>&1 || { cat "$work/log" >&2; fail "$*"; }
}

[ -f "$build/CMakeCache.txt" ] || fail "$build is not a configured build folder"
gui=0
if grep -q '^VEXON_GUI:BOOL=ON$' "$build/CMakeCache.txt"; then gui=1; fi
app_id=io.github.vexon.Vexon

expected=(usr/bin/vexon-cli usr/share/man/man1/vexon-cli.1.gz usr/share/man/zh_CN/man1/vexon-cli.1.gz
          usr/share/locale/en/LC_MESSAGES/vexon.mo)
if [ "$gui" = 1 ]; then
  expected+=(usr/bin/vexon
             "usr/share/applications/$app_id.desktop"
             "usr/share/metainfo/$app_id.metainfo.xml"
             usr/share/man/man1/vexon.1.gz
             usr/share/man/zh_CN/man1/vexon.1.gz
             usr/share/icons/hicolor/scalable/apps/vexon.svg
             usr/share/icons/hicolor/48x48/apps/vexon.png
             usr/share/icons/hicolor/256x256/apps/vexon.png)
fi

# Every missing file is named, not only the first.
check_files() {
  local where=$1 listing=$2 missing=()
  for f in "${expected[@]}"; do
    grep -qxF "$f" "$listing" || missing+=("$f")
  done
  ((${#missing[@]} == 0)) || fail "missing from $where: ${missing[*]}"
}

step "installing $build into a scratch root"
root=$work/root
quiet env DESTDIR="$root" cmake --install "$build" --prefix /usr
(cd "$root" && find . -mindepth 1 ! -type d | sed 's|^\./||' | sort) >"$work/installed"
check_files "the install" "$work/installed"
for f in usr/bin/vexon-cli usr/bin/vexon; do
  [ -e "$root/$f" ] || continue
  [ -x "$root/$f" ] || fail "$f is not executable"
done
version=$("$root/usr/bin/vexon-cli" --version | awk '{print $2}')
[ -n "$version" ] || fail "vexon-cli --version printed no version"
grep -qF "$version" <(zcat "$root/usr/share/man/man1/vexon-cli.1.gz") ||
  fail "the manual page of vexon-cli does not carry version $version"

if [ "$gui" = 1 ]; then
  step "validating the menu entry and the metainfo"
  desktop=$root/usr/share/applications/$app_id.desktop
  # Hints pass: the categories name two main ones (AudioVideo, Network), which the
  # validator only hints at.
  desktop-file-validate "$desktop" >"$work/log" 2>&1 || { cat "$work/log" >&2; fail "desktop-file-validate"; }
  if grep -Eq '(error|warning):' "$work/log"; then
    cat "$work/log" >&2
    fail "desktop-file-validate reported errors or warnings"
  fi
  grep -qx 'Exec=vexon --xdg' "$desktop" || fail "the menu entry does not start vexon --xdg"
  grep -qx 'Icon=vexon' "$desktop" || fail "the menu entry does not name the icon vexon"
  # --strict fails on any issue but the pedantic ones.
  quiet appstreamcli validate --no-net --strict "$root/usr/share/metainfo/$app_id.metainfo.xml"
  # The tree check also finds the menu entry the metainfo launches.
  quiet appstreamcli validate-tree --no-net --strict "$root"
  grep -qF "<release version=\"$version\"" "$root/usr/share/metainfo/$app_id.metainfo.xml" ||
    fail "the metainfo has no release entry for version $version"
  "$root/usr/bin/vexon" --version | grep -qxF "vexon $version" || fail "vexon --version does not print $version"
fi

step "rendering the manual pages"
for page in "$root"/usr/share/man/man1/*.1.gz "$root"/usr/share/man/zh_CN/man1/*.1.gz; do
  # A UTF-8 locale, so the Chinese names render rather than warn.
  LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" >/dev/null 2>"$work/log" ||
    { cat "$work/log" >&2; fail "man -l ${page##*/}"; }
  [ ! -s "$work/log" ] || { cat "$work/log" >&2; fail "man reported warnings for ${page##*/}"; }
done

step "packing the .deb"
arch=$(dpkg --print-architecture)
(cd "$build" && quiet cpack -G DEB -B "$work/pkg")
deb=$work/pkg/vexon_${version}_${arch}.deb
[ -f "$deb" ] || fail "cpack made no vexon_${version}_${arch}.deb (made: $(cd "$work/pkg" && ls -- *.deb 2>/dev/null))"
quiet dpkg-deb -I "$deb"
depends=$(dpkg-deb -f "$deb" Depends)
step "Depends: $depends"
needed=(libc6 libcurl4 libtag1v5 ca-certificates)
if [ "$gui" = 1 ]; then needed+=(libqt6widgets6 qt6-translations-l10n qt6-qpa-plugins libqt6svg6 libqt6dbus6); fi
for p in "${needed[@]}"; do
  # A whole package name: followed by a version, a comma or the end.
  grep -Eq "(^|[ ,|])$p( |,|\$)" <<<"$depends" || fail "the package does not depend on $p"
done
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./||' | sort >"$work/packed"
check_files "the package" "$work/packed"

step "running the packed programs"
quiet dpkg-deb -x "$deb" "$work/unpacked"
"$work/unpacked/usr/bin/vexon-cli" --version | grep -qxF "vexon-cli $version" ||
  fail "the packed vexon-cli --version does not print $version"
bins=("$work/unpacked/usr/bin/vexon-cli")
if [ "$gui" = 1 ]; then
  "$work/unpacked/usr/bin/vexon" --version | grep -qxF "vexon $version" ||
    fail "the packed vexon --version does not print $version"
  bins+=("$work/unpacked/usr/bin/vexon")
fi
for b in "${bins[@]}"; do
  if file -b "$b" | grep -q 'not stripped'; then fail "the packed ${b##*/} carries its debug information"; fi
done
step "passed: $(wc -l <"$work/packed") entries in ${deb##*/}"
