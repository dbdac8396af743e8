#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only when missing.
set -euo pipefail
packages=(build-essential cmake ninja-build pkg-config clang clang-format
          libcurl4-openssl-dev libssl-dev libcpp-httplib-dev nlohmann-json3-dev googletest libgtest-dev
          curl procps strace python3 nginx ca-certificates openssl libglib2.0-dev qt6-base-dev
          qt6-qpa-plugins qt6-svg-dev qt6-translations-l10n fonts-wqy-microhei xvfb xauth
          x11-utils desktop-file-utils appstream dpkg-dev file man-db gettext libtag1-dev dbus)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}" >&2
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi
