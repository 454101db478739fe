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
deviating=()
for file in "${files[@]}"; do
  clang-format --dry-run -Werror "$file" >/dev/null 2>&1 || deviating+=("$file")
done
if [ ${#deviating[@]} -gt 0 ]; then
  echo "Not in the committed format (make format rewrites them):" >&2
  printf '  %s\n' "${deviating[@]}" >&2
  exit 1
fi
echo "format: ${#files[@]} files in the committed format"
