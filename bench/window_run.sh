#!/usr/bin/env bash
# The window's run of 100,000 files against the command line's run of the same job, each timed
# inside its own process from the start of the run to its end (build/bench/window_run), the
# window under Xvfb, A B A B over ROUNDS rounds on a fresh folder each time. Beside them: how late
# a 10 ms timer of the window fires while its run goes (the event loop's latency), and how long
# a stop takes to end a run that is going.
#
#   bench/window_run.sh [BUILD_DIR]
#   ROUNDS=5 FILES=20000 bench/window_run.sh
#
# Needs: the build (bench/window_run, bench/bench_fixtures) and xvfb-run.
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
tool=$build/bench/window_run
fixtures=$build/bench/bench_fixtures
rounds=${ROUNDS:-3}
files=${FILES:-100000}
for needed in "$tool" "$fixtures"; do
  [ -x "$needed" ] || { echo "missing $needed: build first (make)" >&2; exit 1; }
done
command -v xvfb-run >/dev/null || { echo "missing xvfb-run (apt-get install xvfb)" >&2; exit 1; }

work=$(mktemp -d -p "${BENCH_TMP:-$build}" window.XXXXXX)
trap 'rm -rf "$work"' EXIT
# The runs' journals and the window's preferences stay in the benchmark's folder.
export XDG_STATE_HOME=$work/state XDG_CONFIG_HOME=$work/config LC_ALL=C.UTF-8
dir=$work/d/

# "IMG_" + six-digit sequence + "." + extension, in name order.
printf '%s\r\n' '[ParameterSaveFile]' 'ApplicationName=MorvaneX' '[RenameOption]' \
  SelectedPart00=1 StrPart00=IMG_ SelectedPart01=6 StrPart01=1 DigitNum01=6 SkipNum01=1 \
  SelectedPart02=5 SelectedPart03=3 SelectedPart04=0 SelectedPart05=0 \
  '[CommonOption]' SortCondition=1 SortDirection=1 > "$work/job.mvx"

fresh() { rm -rf "$dir" && mkdir -p "$dir" && "$fixtures" names "$dir" "$files" "$1" && sync; }
value() { awk -v key="$1" '$1 == key { print $2 }'; }
window() { xvfb-run -a -s '-screen 0 1280x1024x24' "$tool" "$@" 2>/dev/null; }

declare -a cli win ratio cpu p99 worst stop
echo "$files files, $rounds rounds, fixtures in $work"
for round in $(seq "$rounds"); do
  fresh "$round"; out=$("$tool" cli "$work/job.mvx" "$dir" 2>/dev/null)
  c=$(value run_us <<<"$out"); cc=$(value cpu_us <<<"$out")
  fresh "$round"; out=$(window window "$work/job.mvx" "$dir")
  w=$(value run_us <<<"$out"); wc=$(value cpu_us <<<"$out")
  cli+=("$c"); win+=("$w")
  ratio+=("$(awk -v a="$w" -v b="$c" 'BEGIN { printf "%.3f", a / b }')")
  cpu+=("$(awk -v a="$wc" -v b="$cc" 'BEGIN { printf "%.3f", a / b }')")
  p99+=("$(value latency_p99_ms <<<"$out")"); worst+=("$(value latency_max_ms <<<"$out")")
  fresh "$round"; out=$(window stop "$work/job.mvx" "$dir")
  stop+=("$(value stop_ms <<<"$out") ms after $(value done <<<"$out") files")
  printf 'round %d: command line %d ms (cpu %d ms), window %d ms (cpu %d ms), x%s (cpu x%s), latency p99 %s ms (max %s ms), stop %s\n' \
    "$round" $((c / 1000)) $((cc / 1000)) $((w / 1000)) $((wc / 1000)) "${ratio[-1]}" "${cpu[-1]}" \
    "${p99[-1]}" "${worst[-1]}" "${stop[-1]}"
done
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
printf 'median: command line %.0f ms, window %.0f ms, ratio %s (cpu ratio %s), latency p99 %s ms\n' \
  "$(awk -v u="$(median "${cli[@]}")" 'BEGIN { print u / 1000 }')" \
  "$(awk -v u="$(median "${win[@]}")" 'BEGIN { print u / 1000 }')" \
  "$(median "${ratio[@]}")" "$(median "${cpu[@]}")" "$(median "${p99[@]}")"
