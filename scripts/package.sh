#!/usr/bin/env bash
# Builds the Debian package t3208tool_VERSION_ARCH.deb in build-package/ (or the
# build directory given) and checks it with lintian: errors fail the script,
# warnings are printed. The programs are built with Debian's hardening flags.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build-package}"
"$root/scripts/setup.sh" dpkg-dev fakeroot lintian
export DEB_BUILD_MAINT_OPTIONS="hardening=+all"
export CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
export LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"
(cd "$build" && cpack -G DEB)
deb="$(ls -t "$build"/t3208tool_*.deb | head -1)"
echo "package: $deb"
# lintian fails on errors only (its default --fail-on error).
lintian --info --tag-display-limit 0 "$deb"
echo "lintian: no errors"
