#!/usr/bin/env bash
# Checks that every C++ source file of the repository is in the committed .clang-format style
# (exit 1 and the files that deviate), or with --fix rewrites them in it.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null || { echo "clang-format not found (apt-get install clang-format)" >&2; exit 1; }
mapfile -t files < <(git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'bench/*.h' |
                     grep -v '\.inc$')
if [ "${1:-}" = "--fix" ]; then
  clang-format -i "${files[@]}"
  exit 0
fi
# Many files per clang-format and one clang-format per processor: starting one per file took
# most of the check's time. Each deviation is reported as FILE:LINE:COLUMN: error: ….
status=0
output=$(printf '%s\0' "${files[@]}" |
  xargs -0 -P "$(nproc)" -n 40 clang-format --dry-run -Werror 2>&1) || status=$?
mapfile -t deviating < <(sed -n 's/^\(.*\):[0-9]*:[0-9]*: error: .*/\1/p' <<<"$output" |
  grep -Fx -f <(printf '%s\n' "${files[@]}") | sort -u)
if [ ${#deviating[@]} -gt 0 ]; then
  echo "Not in the committed format (make format rewrites them):" >&2
  printf '  %s\n' "${deviating[@]}" >&2
  exit 1
fi
if [ $status -ne 0 ]; then
  printf '%s\n' "$output" >&2
  echo "format: clang-format failed" >&2
  exit 1
fi
echo "format: ${#files[@]} files in the committed format"
