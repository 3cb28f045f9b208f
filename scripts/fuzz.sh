#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (address and undefined-behaviour
# sanitizers) and runs each for the given seconds (default 30) on a copy of its
# seed corpus. Prints every target's executions and coverage; exits non-zero
# when any target finds something (crash, leak, sanitizer report, time-out).
set -euo pipefail
seconds="${1:-30}"
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-fuzz"

# clang and its fuzzer runtime (Debian 12: clang 14).
"$root/scripts/setup.sh" clang libclang-rt-14-dev

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DT3208_FUZZ=ON -DBUILD_TESTING=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target fuzz_all -j"$(nproc)"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}"
findings="$build/findings"
failed=()
while read -r target; do
  [ -n "$target" ] || continue
  corpus="$work/$target"
  mkdir -p "$corpus" "$findings/$target"
  if [ -d "$root/fuzz/corpus/$target" ]; then
    cp "$root/fuzz/corpus/$target"/* "$corpus"/ 2>/dev/null || true
  fi
  log="$build/$target.log"
  rc=0
  "$build/fuzz/$target" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=30 \
    -print_final_stats=1 -artifact_prefix="$findings/$target/" "$corpus" >"$log" 2>&1 || rc=$?
  execs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)"
  speed="$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)"
  cov="$(grep -E '^#[0-9]+' "$log" | grep -oE 'cov: [0-9]+ ft: [0-9]+' | tail -1)"
  printf '%-20s %s  execs: %s (%s/s)  corpus: %s files\n' "$target" "${cov:-cov: ? ft: ?}" \
    "${execs:-?}" "${speed:-?}" "$(ls "$corpus" | wc -l)"
  if [ "$rc" -ne 0 ] || grep -qE 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error:' "$log"; then
    echo "FINDING in $target (exit $rc); artifacts in $findings/$target, log $log:"
    grep -E -A25 'ERROR:|runtime error:|contract broken' "$log" | head -60
    failed+=("$target")
  fi
done <"$build/fuzz-targets.txt"

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: findings in ${failed[*]}"
  exit 1
fi
echo "fuzz: no findings"
