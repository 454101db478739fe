#!/usr/bin/env bash
# Whole-process benchmark of renaming music by its tags to "track artist - title":
# morvanex-cli against exiftool on a fresh folder of N small tagged files (MP3, FLAC, M4A and
# Ogg Vorbis in turn), alternating over ROUNDS rounds; medians and the median of the ratios.
#
#   bench/tags.sh [BUILD_DIR]
#   ROUNDS=5 N=10000 bench/tags.sh
#   BENCH_TMP=/some/dir bench/tags.sh    where the fixtures go (default: the build)
#
# A job has six name parts: track, " ", artist, " - ", title and the extension with its period
# as fixed text, so the command line runs once per extension (each run lists the folder with
# its filter); all four runs are timed together.
#
# exiftool runs twice (its name of the track differs between ID3 and the other tags).
#
# Needs: the build (morvanex-cli, bench/music_fixtures) and exiftool (libimage-exiftool-perl).
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
cli=$build/morvanex-cli
fixtures=$build/bench/music_fixtures
rounds=${ROUNDS:-3}
n=${N:-10000}
for tool in "$cli" "$fixtures"; do
  [ -x "$tool" ] || { echo "missing $tool: build first (make)" >&2; exit 1; }
done
command -v exiftool >/dev/null || { echo "missing exiftool (apt-get install libimage-exiftool-perl)" >&2; exit 1; }

work=$(mktemp -d -p "${BENCH_TMP:-$build}" tagbench.XXXXXX)
trap 'rm -rf "$work"' EXIT
export XDG_STATE_HOME=$work/state
export LC_ALL=C
dir=$work/d

extensions=(mp3 flac m4a ogg)
for ext in "${extensions[@]}"; do
  { printf '[ParameterSaveFile]\r\nApplicationName=MorvaneX\r\n[SelectFile]\r\nFileFilter=*.%s\r\n' "$ext"
    printf '[RenameOption]\r\n'
    printf '%s\r\n' SelectedPart00=10 'StrPart00=%ET2' SelectedPart01=1 'StrPart01=" "' \
      SelectedPart02=10 'StrPart02=%EAR' SelectedPart03=1 'StrPart03=" - "' \
      SelectedPart04=10 'StrPart04=%ETI' SelectedPart05=1 "StrPart05=.$ext"
  } > "$work/$ext.mvx"
done

fresh() {
  rm -rf "$dir" && mkdir -p "$dir"
  "$fixtures" "$dir" "$n"
}
renamed() {  # how many files of the folder no longer have their fixture name
  find "$dir" -maxdepth 1 -type f ! -name 'm1*' | wc -l
}
morvanex() {
  for ext in "${extensions[@]}"; do "$cli" run "$work/$ext.mvx" --folder "$dir" || return 1; done
}
# exiftool names the track Track in ID3 and TrackNumber elsewhere: two runs, one per name.
peer() {
  exiftool -q -q -ext mp3 '-FileName<${Track;s/\/.*//;$_=sprintf("%02d",$_)} ${Artist} - ${Title}.%e' "$dir" &&
    exiftool -q -q -ext flac -ext m4a -ext ogg \
      '-FileName<${TrackNumber;s/\/.*//;$_=sprintf("%02d",$_)} ${Artist} - ${Title}.%e' "$dir"
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
  fresh; record morvanex "$(micros morvanex)"; check morvanex-cli "$n"
  [ -f "$dir/01 Artist 0 - Title 0.mp3" ] || { echo "unexpected names:" >&2; ls "$dir" | head >&2; exit 1; }
  fresh; record exiftool "$(micros peer)"; check exiftool "$n"
done

echo
printf '%-48s %10s %10s %9s\n' "comparison (A vs B)" "A median" "B median" "A/B"
report "music $n: exiftool vs morvanex-cli" exiftool morvanex
