#!/usr/bin/env bash
# Runs every fuzzer of build/fuzz, one after another, each for FUZZ_SECONDS (default 60) or, with
# FUZZ_RUNS set, for that many inputs (CI: a fixed amount of work whatever the machine's speed).
# Each starts from its seeds in tests/fuzz/corpus/NAME and what earlier runs added in
# build/fuzz/corpus/NAME; its log and any input that broke it go to build/fuzz/logs. Prints each
# fuzzer's closing figures, and fails when any fuzzer found something.
set -uo pipefail
cd "$(dirname "$0")/../.." || exit 1
# One fuzzer to a source file, named after the parser it drives.
fuzzers=()
for source in tests/fuzz/*.cpp; do fuzzers+=("$(basename "$source" .cpp)"); done
seconds=${FUZZ_SECONDS:-60}
runs=${FUZZ_RUNS:-}
mkdir -p build/fuzz/logs

failed=()
for name in "${fuzzers[@]}"; do
  program=build/fuzz/tests/fuzz/$name
  corpus=build/fuzz/corpus/$name
  log=build/fuzz/logs/$name.log
  mkdir -p "$corpus"
  args=(-timeout=10 -print_final_stats=1 -artifact_prefix="build/fuzz/logs/$name-")
  [ -f "tests/fuzz/$name.dict" ] && args+=(-dict="tests/fuzz/$name.dict")
  if [ -n "$runs" ]; then
    # Also bounded in time, so that a machine far slower than expected still ends.
    args+=(-runs="$runs" -max_total_time=120)
  else
    args+=(-max_total_time="$seconds")
  fi
  "$program" "${args[@]}" "$corpus" "tests/fuzz/corpus/$name" >"$log" 2>&1
  status=$?
  # The last coverage line and libFuzzer's count of runs and seconds.
  figures=$(grep -E '^#[0-9]+[[:space:]]+(DONE|pulse|NEW|REDUCE|INITED)[[:space:]]' "$log" | tail -n 1 |
    sed -E 's/^(#[0-9]+)[[:space:]]+[A-Z]+[[:space:]]+/\1 /')
  done_line=$(grep -E '^Done [0-9]+ runs in [0-9]+ second' "$log" | tail -n 1)
  seed=$(grep -m 1 -oE 'Seed: [0-9]+' "$log")
  echo "$name: ${done_line:-no closing line} | ${figures:-no coverage line} | ${seed:-}"
  if [ $status -ne 0 ]; then
    failed+=("$name")
    echo "--- $name failed (exit $status); the end of $log:"
    tail -n 40 "$log"
  fi
done

if [ ${#failed[@]} -ne 0 ]; then
  echo "Fuzzers that found something: ${failed[*]} (inputs in build/fuzz/logs)"
  exit 1
fi
echo "All ${#fuzzers[@]} fuzzers ran clean."
