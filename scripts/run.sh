#!/usr/bin/env bash
# Installs what is missing, builds, and starts the tool. Extra arguments go to
# the tool (e.g. --port COM1=/dev/ttyUSB0).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DBUILD_TESTING=ON >/dev/null
cmake --build "$root/build" --target t3208tool -j"$(nproc)"
exec "$root/build/app/t3208tool" "$@"
