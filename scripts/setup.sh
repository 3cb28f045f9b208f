#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing;
# packages given as arguments are added to them.
set -euo pipefail
pkgs=(build-essential cmake ninja-build pkg-config qt6-base-dev qt6-serialport-dev qt6-charts-dev libqt6opengl6-dev
      libgl-dev xvfb xauth imagemagick fonts-wqy-microhei fonts-freefont-ttf
      libmodbus-dev mbpoll dpkg-dev fakeroot lintian appstream desktop-file-utils man-db
      qt6-tools-dev qt6-l10n-tools
      "$@")
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
