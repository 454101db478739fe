# The timing and summary functions the benchmark scripts share; sourced, after the script has
# made its temporary folder $work (a timed command's error output is kept there).

micros() {  # run a command, print its wall time in microseconds (CLOCK=cpu: user + system time)
  local start end
  sync -f "$work"  # this file system only: another one stuck must not hold the benchmark
  if [ "${CLOCK:-wall}" = cpu ]; then
    /usr/bin/time -f '%U %S' -o "$work/cpu" "$@" > /dev/null 2>"$work/err" ||
      { echo "FAILED: $*" >&2; cat "$work/err" >&2; exit 1; }
    awk '{ printf "%d\n", ($1 + $2) * 1000000 }' "$work/cpu"
    return
  fi
  start=$(date +%s%N)
  "$@" > /dev/null 2>"$work/err" || { echo "FAILED: $*" >&2; cat "$work/err" >&2; exit 1; }
  end=$(date +%s%N)
  echo $(( (end - start) / 1000 ))
}
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
ms() { awk -v u="$1" 'BEGIN { printf "%.0f ms", u / 1000 }'; }

# Samples by name, one per round; report prints medians and the median of the per-round ratios.
declare -A samples
record() { samples[$1]+="$2 "; }
report() {  # report LABEL A B : medians of A and B and the median of the ratios A/B
  local label=$1 a=$2 b=$3 ma mb mr
  ma=$(tr ' ' '\n' <<<"${samples[$a]}" | grep . | median)
  mb=$(tr ' ' '\n' <<<"${samples[$b]}" | grep . | median)
  mr=$(paste <(tr ' ' '\n' <<<"${samples[$a]}" | grep .) <(tr ' ' '\n' <<<"${samples[$b]}" | grep .) |
       awk '{ print $1 / $2 }' | median)
  printf "%-${REPORT_LABEL_WIDTH:-44}s %10s %10s %9.3f\n" "$label" "$(ms "$ma")" "$(ms "$mb")" "$mr"
}
