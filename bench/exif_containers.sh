#!/usr/bin/env bash
# Whole-process benchmark of renaming by shooting time: morvanex-cli against its peers and the
# physical limit (a plain rename(2) loop over the same planned moves), on fresh fixtures.
#
#   mixed folder (JPEG with and without JFIF first, HEIC, DNG, MP4, MOV; small files):
#     morvanex-cli run  vs  exiftool '-FileName<DateTimeOriginal' (and CreateDate for movies)
#   the JPEG part (every second JPEG with JFIF first):
#     morvanex-cli run  vs  jhead -n  vs  the raw rename loop
#
# Each comparison alternates A B over ROUNDS rounds on a fixture of its own and reports the
# medians and the median of the per-round ratios.
#
#   bench/exif_containers.sh [BUILD_DIR]
#   ROUNDS=5 N=10000 bench/exif_containers.sh
#   BENCH_TMP=/some/dir bench/exif_containers.sh    where the fixtures go (default: the build)
#
# Needs: the build (morvanex-cli, bench/bench_fixtures, bench/raw_rename), exiftool (Debian
# package libimage-exiftool-perl) and jhead.
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
cli=$build/morvanex-cli
fixtures=$build/bench/bench_fixtures
raw=$build/bench/raw_rename
rounds=${ROUNDS:-3}
n=${N:-10000}
for tool in "$cli" "$fixtures" "$raw"; do
  [ -x "$tool" ] || { echo "missing $tool: build first (make)" >&2; exit 1; }
done
command -v exiftool >/dev/null || { echo "missing exiftool (apt-get install libimage-exiftool-perl)" >&2; exit 1; }
command -v jhead >/dev/null || { echo "missing jhead (apt-get install jhead)" >&2; exit 1; }

work=$(mktemp -d -p "${BENCH_TMP:-$build}" exifbench.XXXXXX)
trap 'rm -rf "$work"' EXIT
export XDG_STATE_HOME=$work/state
export LC_ALL=C
dir=$work/d

{ printf '[ParameterSaveFile]\r\nApplicationName=MorvaneX\r\n[RenameOption]\r\n'
  printf '%s\r\n' SelectedPart00=10 'StrPart00=%EDT%4YE%2MO%2DA%2HO%2MI%2SE' SelectedPart01=5 \
    SelectedPart02=3 SelectedPart03=0 SelectedPart04=0 SelectedPart05=0
  printf '[CommonOption]\r\nSortCondition=1\r\nSortDirection=1\r\n'
} > "$work/exif.mvx"

fresh() {  # fresh KIND: a new folder of N files and the planned moves
  rm -rf "$dir" && mkdir -p "$dir"
  "$fixtures" "$1" "$dir" "$n"
  "$cli" preview "$work/exif.mvx" --folder "$dir" --format tsv > "$work/plan.tsv"
}
renamed() {  # how many files of the folder no longer have their fixture name
  find "$dir" -maxdepth 1 -type f ! -name 'm0*' ! -name 'p0*' | wc -l
}
REPORT_LABEL_WIDTH=48
# shellcheck source=bench/lib.sh
source "$(dirname "$0")/lib.sh"

check() {  # check WHAT EXPECTED: every file was renamed
  local got
  got=$(renamed)
  [ "$got" -eq "$2" ] || { echo "$1 renamed $got of $2 files" >&2; exit 1; }
}

echo "fixtures in $work; $n files; $rounds rounds"
for round in $(seq "$rounds"); do
  echo "round $round" >&2
  # The mixed folder: morvanex-cli and exiftool (the shooting time, else a movie's creation
  # time: the later assignment wins where both exist).
  fresh media; record mixed "$(micros "$cli" run "$work/exif.mvx" --folder "$dir")"; check morvanex-cli "$n"
  fresh media; record exiftool "$(micros exiftool -q -q '-FileName<CreateDate' '-FileName<DateTimeOriginal' \
                                   -d '%Y%m%d%H%M%S%%-c.%%e' "$dir")"; check exiftool "$n"
  fresh media; record rawmixed "$(micros "$raw" "$work/plan.tsv")"
  # The JPEG part: morvanex-cli, jhead, the raw loop.
  fresh photojpegs; record jpeg "$(micros "$cli" run "$work/exif.mvx" --folder "$dir")"; check morvanex-cli "$n"
  fresh photojpegs; record jhead "$(micros sh -c "cd '$dir' && jhead -q -n%Y%m%d%H%M%S *.jpg")"; check jhead "$n"
  fresh photojpegs; record rawjpeg "$(micros "$raw" "$work/plan.tsv")"
done

echo
printf '%-48s %10s %10s %9s\n' "comparison (A vs B)" "A median" "B median" "A/B"
report "mixed $n: exiftool vs morvanex-cli" exiftool mixed
report "mixed $n: morvanex-cli vs raw rename loop" mixed rawmixed
report "JPEG $n: morvanex-cli vs jhead -n" jpeg jhead
report "JPEG $n: morvanex-cli vs raw rename loop" jpeg rawjpeg
report "JPEG $n: jhead -n vs raw rename loop" jhead rawjpeg
