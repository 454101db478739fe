#!/usr/bin/env bash
# Before/after benchmark of one change: a job on 100,000 files by two builds of morvanex-cli,
# each against the raw rename(2) loop on a fresh fixture right beside it, alternating over
# ROUNDS rounds. Prints each build's median ratio to the raw loop and the median of the
# per-round ratios of the two builds. WHAT says which job:
#   run     the sequence run (the default)
#   logged  the same with the text and the rename-back log
#   undo    the undo of the sequence run, against the raw loop of the reverse moves
# Each round also times the checked loop (raw_rename --checked): the status reads and the identity
# check a safe run must make and nothing else; the job's ratio to it is what the program adds.
# Each round's files are made once and each timed job gets a fresh folder of hard links to them
# (making 100,000 files takes far longer than the jobs).
#
#   bench/compare.sh BEFORE_BUILD AFTER_BUILD
#   ROUNDS=9 N=100000 WHAT=undo bench/compare.sh build-old build
set -euo pipefail

before=$(cd "$1" && pwd)
after=$(cd "$2" && pwd)
rounds=${ROUNDS:-7}
n=${N:-100000}
what=${WHAT:-run}
case $what in run|logged|undo) ;; *) echo "WHAT is run, logged or undo" >&2; exit 2 ;; esac
fixtures=$after/bench/bench_fixtures
raw=$after/bench/raw_rename
for tool in "$before/morvanex-cli" "$after/morvanex-cli" "$fixtures" "$raw"; do
  [ -x "$tool" ] || { echo "missing $tool: build first" >&2; exit 1; }
done

work=$(mktemp -d -p "${BENCH_TMP:-$after}" compare.XXXXXX)
trap 'rm -rf "$work"' EXIT
export XDG_STATE_HOME=$work/state LC_ALL=C
dir=$work/d
{ printf '[ParameterSaveFile]\r\nApplicationName=MorvaneX\r\n[RenameOption]\r\n'
  printf '%s\r\n' SelectedPart00=1 StrPart00=IMG_ SelectedPart01=6 StrPart01=1 DigitNum01=6 \
    SkipNum01=1 SelectedPart02=5 SelectedPart03=3 SelectedPart04=0 SelectedPart05=0
  printf '[CommonOption]\r\nSortCondition=1\r\nSortDirection=1\r\n'
} > "$work/job.mvx"
mkdir -p "$work/logs"
if [ "$what" = logged ]; then
  printf 'LogWrite=1\r\nBatLogWrite=1\r\nLogWritePath=%s/logs/\r\n' "$work" >> "$work/job.mvx"
fi

made=
fresh() {  # a new folder of the round's N files with random names, and the planned moves
  rm -rf "$dir" "$work/logs"/*
  if [ "$made" != "$1" ]; then
    rm -rf "$work/files" && mkdir -p "$work/files"
    "$fixtures" names "$work/files" "$n" "$1"
    cp -al "$work/files" "$dir"
    "$after/morvanex-cli" preview "$work/job.mvx" --folder "$dir" --format tsv > "$work/plan.tsv"
    made=$1
  else
    cp -al "$work/files" "$dir"
  fi
}
# shellcheck source=bench/lib.sh
source "$(dirname "$0")/lib.sh"

measure() {  # the job by the build in $1, with a state folder of its own (journal versions differ)
  export XDG_STATE_HOME=$work/state/${1//\//_}
  mkdir -p "$XDG_STATE_HOME"
  if [ "$what" = undo ]; then
    "$1/morvanex-cli" run "$work/job.mvx" --folder "$dir" > /dev/null
    micros "$1/morvanex-cli" undo --yes
  else
    micros "$1/morvanex-cli" run "$work/job.mvx" --folder "$dir"
  fi
}
measure_raw() {  # the same moves by the raw loop; with --checked, by the checked one
  if [ "$what" = undo ]; then
    "$raw" "$work/plan.tsv" > /dev/null
    micros "$raw" "$work/plan.tsv" --reverse "$@"
  else
    micros "$raw" "$work/plan.tsv" "$@"
  fi
}

: > "$work/ratios"
for round in $(seq "$rounds"); do
  fresh "$round"; b=$(measure "$before")
  fresh "$round"; rb=$(measure_raw)
  fresh "$round"; a=$(measure "$after")
  fresh "$round"; ra=$(measure_raw)
  fresh "$round"; c=$(measure_raw --checked)
  echo "$b $rb $a $ra $c" |
    awk '{ printf "%.4f %.4f %.4f %.4f %.4f\n", $1 / $2, $3 / $4, ($3 / $4) / ($1 / $2), $5 / $4, $3 / $5 }' >> "$work/ratios"
  echo "round $round: before $((b / 1000)) ms (raw $((rb / 1000))), after $((a / 1000)) ms (raw $((ra / 1000)), checked $((c / 1000)))" >&2
done
printf 'median ratio to the raw loop, before: %s\n' "$(cut -d' ' -f1 "$work/ratios" | median)"
printf 'median ratio to the raw loop, after:  %s\n' "$(cut -d' ' -f2 "$work/ratios" | median)"
printf 'median of after/before per round:     %s\n' "$(cut -d' ' -f3 "$work/ratios" | median)"
printf 'median ratio of the checked loop, raw:  %s\n' "$(cut -d' ' -f4 "$work/ratios" | median)"
printf 'median ratio to the checked loop, after: %s\n' "$(cut -d' ' -f5 "$work/ratios" | median)"
