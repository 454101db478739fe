#!/usr/bin/env bash
# Renames to given names against the physical limit (a plain rename(2) loop over the same
# moves): `apply` of a 100,000-row mapping (TSV, and CSV made from it), the whole process; and
# `edit` of a folder of 100,000 files whose 100,000 lines all change, from the editor's exit
# (the editor is a script that keeps the job's proposed names and notes the time) to the last
# move. Both with --yes, so the time is the plan's and the moves', not the printed preview's.
# Rounds alternate A B as bench/run.sh does. Both are also set beside the checked loop
# (raw_rename --checked): the status reads and identity checks a safe run cannot do without.
#
#   bench/given_names.sh [BUILD_DIR]
#   ROUNDS=5 bench/given_names.sh      more rounds
#   BENCH_TMP=/some/dir ...            where the fixtures go (default: the build folder)
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
cli=$build/morvanex-cli
fixtures=$build/bench/bench_fixtures
raw=$build/bench/raw_rename
rounds=${ROUNDS:-3}
for tool in "$cli" "$fixtures" "$raw"; do
  [ -x "$tool" ] || { echo "missing $tool: build first (make)" >&2; exit 1; }
done

work=$(mktemp -d -p "${BENCH_TMP:-$build}" bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
export XDG_STATE_HOME=$work/state
export LC_ALL=C
dir=$work/d

{ printf '[ParameterSaveFile]\r\nApplicationName=MorvaneX\r\n[RenameOption]\r\n'
  printf '%s\r\n' SelectedPart00=1 StrPart00=IMG_ SelectedPart01=6 StrPart01=1 DigitNum01=6 \
    SkipNum01=1 SelectedPart02=5 SelectedPart03=3 SelectedPart04=0 SelectedPart05=0
} > "$work/sequence.mvx"
printf '#!/bin/sh\ndate +%%s%%N > "%s/edited"\n' "$work" > "$work/editor.sh"

made=
names() {  # a fresh folder of N files with random names, its planned moves and their mappings
  rm -rf "$dir"
  if [ "$made" = "$1 $2" ]; then  # the round's files again: hard links, made in a moment
    cp -al "$work/files" "$dir"
    return
  fi
  rm -rf "$work/files" && mkdir -p "$work/files"
  "$fixtures" names "$work/files" "$1" "$2"
  cp -al "$work/files" "$dir"
  made="$1 $2"
  "$cli" preview "$work/sequence.mvx" --folder "$dir" --format tsv > "$work/plan.tsv"
  # The names below the folder; the tsv escapes stay as they are, which the mapping reads.
  awk -F'\t' -v d="$dir/" '{ sub(d, "", $1); sub(d, "", $2); print $1 "\t" $2 }' \
    "$work/plan.tsv" > "$work/map.tsv"
}
# shellcheck source=bench/lib.sh
source "$(dirname "$0")/lib.sh"

N=100000
echo "fixtures in $work; $rounds rounds"
for round in $(seq "$rounds"); do
  echo "round $round" >&2
  names $N "$round"; record apply "$(micros "$cli" apply "$work/map.tsv" --folder "$dir" --yes)"
  names $N "$round"; record raw "$(micros "$raw" "$work/plan.tsv")"
  names $N "$round"
  sync
  EDITOR="sh $work/editor.sh" "$cli" edit "$work/sequence.mvx" --folder "$dir" --yes \
    > /dev/null 2> "$work/err" || { cat "$work/err" >&2; exit 1; }
  record edit $(( ($(date +%s%N) - $(cat "$work/edited")) / 1000 ))
  names $N "$round"; record raw2 "$(micros "$raw" "$work/plan.tsv")"
  names $N "$round"; record checked "$(micros "$raw" "$work/plan.tsv" --checked)"
done

echo
printf '%-44s %10s %10s %8s\n' "comparison (A vs B)" "A median" "B median" "A/B"
report "apply of a 100k-row mapping vs raw loop" apply raw
report "edit of 100k lines, editor exit to end, vs raw" edit raw2
report "apply vs the checked loop" apply checked
report "edit vs the checked loop" edit checked
