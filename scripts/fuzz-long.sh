#!/bin/sh
# Runs the parsers' fuzzers for longer than the test command does, one after
# the other, and sums up what each did.
#   scripts/fuzz-long.sh [seconds per fuzzer (default 300)] [fuzzer names...]
#   MOQIAO_BUILD_DIR  build root (default: build/test); the fuzzers build in
#                     its fuzz/ folder, their corpora grow in there too
# Inputs that fail are written next to the logs; keep each one (after the
# fix) in tests/fuzz/regressions/<fuzzer>/ so the test command replays it.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${MOQIAO_BUILD_DIR:-$root/build/test}/fuzz
seconds=${1:-300}
[ $# -gt 0 ] && shift

cmake --preset fuzz -S "$root" -B "$build" >/dev/null
cmake --build "$build"

fuzzers=$(cd "$build/tests/fuzz" && ls fuzz_* | grep -v -e '-' -e '\.' | sed 's/^fuzz_//')
[ $# -gt 0 ] && fuzzers=$*
results="$build/long-results.txt"
: >"$results"
failed=0
for name in $fuzzers; do
  # A corpus of its own that grows from one long run to the next (the test
  # command's scratch corpus starts empty every time).
  folders="$build/tests/fuzz/corpus-long/$name"
  mkdir -p "$folders"
  for kept in seeds regressions; do
    [ -d "$root/tests/fuzz/$kept/$name" ] && folders="$folders $root/tests/fuzz/$kept/$name"
  done
  log="$build/long-$name.log"
  echo "fuzz_$name: $seconds s"
  status=ok
  # shellcheck disable=SC2086
  "$build/tests/fuzz/fuzz_$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$build/long-$name-" $folders >"$log" 2>&1 ||
    status=FAILED
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  coverage=$(grep -E '^#[0-9]+' "$log" | tail -n 1 | sed -n 's/.* cov: \([0-9]*\) ft: \([0-9]*\).*/cov \1 ft \2/p')
  printf '%-22s %10s executions  %-18s %s\n' "fuzz_$name" "${executions:-?}" "${coverage:-?}" \
    "$status" | tee -a "$results"
  [ "$status" = ok ] || failed=$((failed + 1))
done
echo "$failed fuzzer(s) failed; summary in $results, logs in $build"
[ "$failed" -eq 0 ]
