#!/usr/bin/env bash
# Builds the whole tree with AddressSanitizer and UndefinedBehaviorSanitizer and
# runs every test once under them; the first report fails the test it is in.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-asan"
"$root/scripts/setup.sh"
cmake -S "$root" -B "$build" -G Ninja -DBUILD_TESTING=ON -DT3208_SANITIZE=ON \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)"
export ASAN_OPTIONS="halt_on_error=1:abort_on_error=1:detect_leaks=0:detect_stack_use_after_return=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
# The package test checks packaging, not memory: it runs in the plain build.
QT_QPA_PLATFORM=offscreen ctest --test-dir "$build" --output-on-failure -j2 --timeout 600 -LE package
