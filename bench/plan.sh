#!/usr/bin/env bash
# Moves that depend on each other, against the raw rename(2) loop of the same moves in the order
# they can be made: a renumbering of N files shifted by one (every move a link of one chain, run
# from its free end) and N/2 swaps (each the three renames of a ring broken through a temporary
# name). With BASE, also the peak memory of a preview of PREVIEW files by both builds. Each
# comparison alternates over ROUNDS rounds on fresh fixtures; the figure is the median of the
# per-round ratios. Each is also set beside the checked loop (raw_rename --checked): the status
# reads and identity checks a safe run cannot do without.
#
#   bench/plan.sh BUILD [BASE_BUILD]
#   ROUNDS=9 N=100000 PREVIEW=1000000 bench/plan.sh build ../base/build
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
base=${2:+$(cd "$2" && pwd)}
cli=$build/morvanex-cli
raw=$build/bench/raw_rename
fixtures=$build/bench/bench_fixtures
rounds=${ROUNDS:-5}
n=${N:-100000}
for tool in "$cli" "$raw" "$fixtures"; do
  [ -x "$tool" ] || { echo "missing $tool: build first" >&2; exit 1; }
done

work=$(mktemp -d -p "${BENCH_TMP:-$build}" plan.XXXXXX)
trap 'rm -rf "$work"' EXIT
export XDG_STATE_HOME=$work/state LC_ALL=C
dir=$work/d
# shellcheck source=bench/lib.sh
source "$(dirname "$0")/lib.sh"

header() { printf '[ParameterSaveFile]\r\nApplicationName=MorvaneX\r\n'; }
{ header
  printf '[RenameOption]\r\n'
  printf '%s\r\n' SelectedPart00=6 StrPart00=2 DigitNum00=6 SkipNum00=1 SelectedPart01=5 \
    SelectedPart02=3 SelectedPart03=0 SelectedPart04=0 SelectedPart05=0
  printf '[CommonOption]\r\nSortCondition=1\r\nSortDirection=1\r\n'
} > "$work/renumber.mvx"
{ header
  printf '[RenameOption]\r\nEnableRename=0\r\n[StringChangeOption]\r\nEnableStringChange=1\r\n'
  printf '%s\r\n' ChangeBefore001=a_ ChangeAfter001=t_ ChangeBefore002=b_ ChangeAfter002=a_ \
    ChangeBefore003=t_ ChangeAfter003=b_
  printf '[CommonOption]\r\nSortCondition=1\r\nSortDirection=1\r\n'
} > "$work/swap.mvx"

# The fixtures are made once; each timed job gets a fresh folder of hard links to them (making
# 100,000 files takes far longer than the jobs).
numbered() {  # 000001.jpg ... and the moves from the free end
  rm -rf "$dir"
  if [ ! -d "$work/numbered" ]; then
    mkdir -p "$work/numbered"
    (cd "$work/numbered" && seq -f '%06g.jpg' 1 "$n" | xargs touch)
    cp -al "$work/numbered" "$dir"
    "$cli" preview "$work/renumber.mvx" --folder "$dir" --format tsv > "$work/numbered.tsv"
  else
    cp -al "$work/numbered" "$dir"
  fi
  cp "$work/numbered.tsv" "$work/plan.tsv"
  tac "$work/plan.tsv" > "$work/raw.tsv"
}
pairs() {  # a_000001.x, b_000001.x ... and three renames a swap
  rm -rf "$dir"
  if [ ! -d "$work/pairs" ]; then
    mkdir -p "$work/pairs"
    (cd "$work/pairs" && seq -f 'a_%06g.x' 1 $((n / 2)) | xargs touch &&
       seq -f 'b_%06g.x' 1 $((n / 2)) | xargs touch)
    cp -al "$work/pairs" "$dir"
    "$cli" preview "$work/swap.mvx" --folder "$dir" --format tsv > "$work/pairs.tsv"
  else
    cp -al "$work/pairs" "$dir"
  fi
  cp "$work/pairs.tsv" "$work/plan.tsv"
  awk -F'\t' '$1 ~ /\/a_[^\/]*$/ { print $1 "\t" $1 ".t"; print $2 "\t" $1; print $1 ".t\t" $2 }' \
    "$work/plan.tsv" > "$work/raw.tsv"
}

for round in $(seq "$rounds"); do
  numbered; grep -c $'\tchain$' "$work/plan.tsv" > /dev/null
  record chain "$(micros "$cli" run "$work/renumber.mvx" --folder "$dir")"
  numbered; record chainraw "$(micros "$raw" "$work/raw.tsv")"
  numbered; record chainchecked "$(micros "$raw" "$work/raw.tsv" --checked)"
  pairs; grep -c $'\tcycle$' "$work/plan.tsv" > /dev/null
  record swap "$(micros "$cli" run "$work/swap.mvx" --folder "$dir")"
  pairs; record swapraw "$(micros "$raw" "$work/raw.tsv")"
  pairs; record swapchecked "$(micros "$raw" "$work/raw.tsv" --checked)"
  echo "round $round done" >&2
done
REPORT_LABEL_WIDTH=52
printf '%-52s %10s %10s %9s\n' "" A B A/B
report "renumbering of $n files shifted by one, vs raw" chain chainraw
report "the same, vs the checked loop" chain chainchecked
report "$((n / 2)) swaps (raw: three renames each), vs raw" swap swapraw
report "the same, vs the checked loop" swap swapchecked

if [ -n "$base" ] && [ -n "${PREVIEW:-}" ]; then
  { header
    printf '[RenameOption]\r\n'
    printf '%s\r\n' SelectedPart00=1 StrPart00=IMG_ SelectedPart01=6 StrPart01=1 DigitNum01=7 \
      SkipNum01=1 SelectedPart02=5 SelectedPart03=3 SelectedPart04=0 SelectedPart05=0
  } > "$work/wide.mvx"
  rm -rf "$dir" && mkdir -p "$dir"
  "$fixtures" names "$dir" "$PREVIEW" 1
  for round in $(seq "${MEMORY_ROUNDS:-3}"); do
    for which in base build; do
      binary=$base/morvanex-cli
      [ "$which" = build ] && binary=$cli
      kib=$(/usr/bin/time -f %M "$binary" preview "$work/wide.mvx" --folder "$dir" \
              --format tsv 2>&1 >/dev/null | tail -1)
      record "mem$which" "$kib"
    done
  done
  for which in base build; do
    printf 'preview of %s files, peak memory (%s): %s KiB\n' "$PREVIEW" "$which" \
      "$(tr ' ' '\n' <<<"${samples[mem$which]}" | grep . | median)"
  done
  printf 'ratio after/before: %s\n' "$(paste <(tr ' ' '\n' <<<"${samples[membuild]}" | grep .) \
    <(tr ' ' '\n' <<<"${samples[membase]}" | grep .) | awk '{ print $1 / $2 }' | median)"
fi
