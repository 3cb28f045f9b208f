#!/usr/bin/env bash
# Installs what is missing, builds, and starts the tool. Without arguments the
# tool starts with a simulated controller on COM1; arguments go to the tool
# instead (e.g. --port COM1=/dev/ttyUSB0 for a real controller).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DBUILD_TESTING=ON >/dev/null
cmake --build "$root/build" --target t3208tool t3208-sim -j"$(nproc)"
[ $# -eq 0 ] && set -- --simulate
exec "$root/build/app/t3208tool" "$@"
