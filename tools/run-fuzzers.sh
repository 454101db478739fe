#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and AddressSanitizer and runs each for a bounded time
# on its committed seed corpus, as many at once as there are processors (each gets its time on a
# processor of its own). Skipped (with a note) when clang is not available.
#   tools/run-fuzzers.sh [BUILD_DIR] [SECONDS]
set -euo pipefail
build=${1:-build/fuzz}
seconds=${2:-30}
if ! command -v clang++ >/dev/null; then
  echo "clang++ not found: fuzzers skipped"
  exit 0
fi
cmake -S tests/fuzz -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One target: its corpus copied aside, its run's summary in its own log.
fuzz_one() {
  local target=$1
  local name
  name=$(basename "$target")
  local corpus=tests/fuzz/corpus/${name#fuzz_}
  mkdir -p "$work/$name"
  [ -d "$corpus" ] && cp -r "$corpus"/. "$work/$name"/
  local status=0
  "$target" -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 "$work/$name" >"$work/$name.log" 2>&1 || status=$?
  echo "$status" >"$work/$name.status"
}

targets=()
for target in "$build"/fuzz_*; do
  [ -x "$target" ] && targets+=("$target")
done
running=0
for target in "${targets[@]}"; do
  fuzz_one "$target" &
  running=$((running + 1))
  if [ "$running" -ge "$(nproc)" ]; then
    wait -n
    running=$((running - 1))
  fi
done
wait
# Each target's summary; the whole output of one that failed (the input that broke it is there).
failed=0
for target in "${targets[@]}"; do
  name=$(basename "$target")
  echo "== $name for ${seconds}s"
  if [ "$(cat "$work/$name.status")" -eq 0 ]; then
    tail -n 12 "$work/$name.log"
  else
    cat "$work/$name.log"
    failed=1
  fi
done
exit $failed
