#!/usr/bin/env bash
# Whole-process benchmark: morvanex-cli against the physical limit (a plain rename(2) loop over
# the same planned moves) and against peers doing the same job, on fresh fixtures in a
# temporary folder on the build's disk. Each comparison alternates A B A B over ROUNDS rounds
# and reports medians and the median of the per-round ratios.
#
#   bench/run.sh [BUILD_DIR]
#   ROUNDS=5 bench/run.sh            more rounds
#   MILLION=1 bench/run.sh           also the 1,000,000-file size step
#   BENCH_TMP=/some/dir bench/run.sh where the fixtures go (default: the build folder)
#
# Needs: the build (morvanex-cli, bench/bench_fixtures, bench/raw_rename), Debian's rename
# (perl), jhead and GNU time (/usr/bin/time).
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
cli=$build/morvanex-cli
fixtures=$build/bench/bench_fixtures
raw=$build/bench/raw_rename
rounds=${ROUNDS:-3}
for tool in "$cli" "$fixtures" "$raw"; do
  [ -x "$tool" ] || { echo "missing $tool: build first (make)" >&2; exit 1; }
done
for tool in rename jhead /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "missing $tool (apt-get install rename jhead time)" >&2; exit 1; }
done

work=$(mktemp -d -p "${BENCH_TMP:-$build}" bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
export XDG_STATE_HOME=$work/state
export LC_ALL=C
dir=$work/d

job() {  # job NAME PARTS... : a pattern file of fixed text, sequence, period and extension
  local name=$1; shift
  { printf '[ParameterSaveFile]\r\nApplicationName=MorvaneX\r\n[RenameOption]\r\n'
    printf '%s\r\n' "$@"
    printf '[CommonOption]\r\nSortCondition=1\r\nSortDirection=1\r\n'
  } > "$work/$name.mvx"
}
sequence=(SelectedPart00=1 StrPart00=IMG_ SelectedPart01=6 StrPart01=1 DigitNum01=6 SkipNum01=1
          SelectedPart02=5 SelectedPart03=3 SelectedPart04=0 SelectedPart05=0)
job sequence "${sequence[@]}"
# The size steps go up to a million files: seven digits.
job wide "${sequence[@]/DigitNum01=6/DigitNum01=7}"
job logged "${sequence[@]}"
printf 'LogWrite=1\r\nBatLogWrite=1\r\nLogWritePath=%s/logs/\r\n' "$work" >> "$work/logged.mvx"
job exif SelectedPart00=10 'StrPart00=%EDT%4YE%2MO%2DA%2HO%2MI%2SE' SelectedPart01=5 \
         SelectedPart02=3 SelectedPart03=0 SelectedPart04=0 SelectedPart05=0
mkdir -p "$work/logs"

names() {  # fresh folder of N empty files with random names, and the planned moves [of JOB]
  rm -rf "$dir" "$work/logs"/* && mkdir -p "$dir"
  "$fixtures" names "$dir" "$1" "$2"
  "$cli" preview "$work/${3:-sequence}.mvx" --folder "$dir" --format tsv > "$work/plan.tsv"
}
jpegs() {
  rm -rf "$dir" && mkdir -p "$dir"
  "$fixtures" jpegs "$dir" "$1"
  "$cli" preview "$work/exif.mvx" --folder "$dir" --format tsv > "$work/plan.tsv"
}
# shellcheck source=bench/lib.sh
source "$(dirname "$0")/lib.sh"

N=100000
echo "fixtures in $work; $rounds rounds"
for round in $(seq "$rounds"); do
  echo "round $round" >&2
  # Sequence job: morvanex-cli run, the raw loop, perl rename.
  names $N "$round";   record run "$(micros "$cli" run "$work/sequence.mvx" --folder "$dir")"
  record undo "$(micros "$cli" undo --yes)"
  names $N "$round";   record raw "$(micros "$raw" "$work/plan.tsv")"
  record rawundo "$(micros "$raw" "$work/plan.tsv" --reverse)"
  names $N "$round";   record perl "$(micros sh -c "cd '$dir' && ls | rename 'our \$i; s/^.*\\.(\\w+)\$/sprintf(\"IMG_%06d.%s\", ++\$i, \$1)/e'")"
  # The rename loop of each pairing runs on its own fresh fixture right beside it.
  names $N "$round";   record preview "$(micros "$cli" preview "$work/sequence.mvx" --folder "$dir" --format tsv)"
  record raw2 "$(micros "$raw" "$work/plan.tsv")"
  names $N "$round";   record logged "$(micros "$cli" run "$work/logged.mvx" --folder "$dir")"
  names $N "$round";   record raw3 "$(micros "$raw" "$work/plan.tsv")"
  # Exif job: morvanex-cli run, jhead, the raw loop.
  jpegs 10000;         record exif "$(micros "$cli" run "$work/exif.mvx" --folder "$dir")"
  jpegs 10000;         record jhead "$(micros sh -c "cd '$dir' && jhead -q -n%Y%m%d%H%M%S *.jpg")"
  jpegs 10000;         record rawexif "$(micros "$raw" "$work/plan.tsv")"
done

echo
printf '%-44s %10s %10s %8s\n' "comparison (A vs B)" "A median" "B median" "A/B"
report "sequence run 100k vs raw rename loop" run raw
report "perl rename 100k vs raw rename loop" perl raw
report "sequence preview (tsv) 100k vs raw loop" preview raw2
report "sequence run with both logs vs raw loop" logged raw3
report "journal undo 100k vs raw reverse loop" undo rawundo
report "Exif run 10k vs jhead -n" exif jhead
report "Exif run 10k vs raw rename loop" exif rawexif
report "jhead -n 10k vs raw rename loop" jhead rawexif

names $N 99
memory=$(/usr/bin/time -v "$cli" preview "$work/sequence.mvx" --folder "$dir" --format tsv 2>&1 >/dev/null |
         awk -F: '/Maximum resident set size/ { gsub(/ /, "", $2); print $2 }')
printf '%-44s %10s\n' "peak resident memory, preview of 100k" "$((memory / 1024)) MB"

echo
printf '%-12s %14s %14s\n' "files" "run per file" "raw per file"
sizes="10000 100000"
[ "${MILLION:-0}" = 1 ] && sizes="$sizes 1000000"
for size in $sizes; do
  names "$size" 7 wide; a=$(micros "$cli" run "$work/wide.mvx" --folder "$dir")
  names "$size" 7 wide; b=$(micros "$raw" "$work/plan.tsv")
  awk -v n="$size" -v a="$a" -v b="$b" 'BEGIN { printf "%-12d %11.2f us %11.2f us\n", n, a / n, b / n }'
done
