#!/usr/bin/env bash
# Fails when a source folder includes a folder that the layers put above it, names a folder
# that has no place in the layers, or brings Qt into the core. Prints every offending file
# with the line and the include.
#   tools/check-layers.sh [source folder]     (default: src beside this script)
#
# The layers, lowest first; a folder includes itself and what its row names, nothing else:
#   platform <- settings <- engine <- {cli, widgets} <- {pages, dialogs} <- wizard <- shell
set -euo pipefail

src=${1:-"$(dirname "$0")/../src"}
if [ ! -d "$src" ]; then
  echo "check-layers: no source folder $src" >&2
  exit 2
fi
src=$(cd "$src" && pwd)

declare -A below=(
  [platform]=""
  [settings]="platform"
  [engine]="settings platform"
  [cli]="engine settings platform"
  [widgets]="engine settings platform"
  [pages]="widgets engine settings platform"
  [dialogs]="widgets engine settings platform"
  [wizard]="pages dialogs widgets engine settings platform"
  [shell]="wizard pages dialogs widgets engine settings platform"
)
# The core and the command line build without Qt.
without_qt=" platform settings engine cli "
include_form='^[[:space:]]*#[[:space:]]*include[[:space:]]*([<"])([^">]+)[">]'

# Whether a name is one of our folders.
known() {
  [ -n "$1" ] && [ -n "${below[$1]+set}" ]
}

faults=0
fault() {
  echo "$1"
  faults=$((faults + 1))
}

while IFS= read -r -d '' file; do
  relative=${file#"$src"/}
  name="src/$relative"
  case $relative in
    */*) folder=${relative%%/*} ;;
    *) fault "$name: a file outside every layer"; continue ;;
  esac
  if ! known "$folder"; then
    fault "$name: src/$folder/ has no place in the layers (add it to tools/check-layers.sh)"
    continue
  fi
  allowed=" $folder ${below[$folder]} "
  while IFS=: read -r line text; do
    [[ $text =~ $include_form ]] || continue
    quote=${BASH_REMATCH[1]}
    path=${BASH_REMATCH[2]}
    if [ "$quote" = "<" ]; then
      if [[ $without_qt == *" $folder "* && $path =~ ^Q ]]; then
        fault "$name:$line: $folder may not include <$path> (no Qt below widgets)"
        continue
      fi
      # A system header, unless it names one of our folders.
      known "${path%%/*}" || continue
    fi
    case $path in
      */*) ;;
      *) continue ;;  # beside the including file
    esac
    case $path in
      ./* | ../* | */./* | */../*)
        target=$(realpath -m --relative-to="$src" "$(dirname "$file")/$path")
        ;;
      *) target=$path ;;
    esac
    [[ $target == */* && $target != ../* ]] || continue
    included=${target%%/*}
    known "$included" || continue
    if [[ $allowed != *" $included "* ]]; then
      fault "$name:$line: $folder may not include $target"
    fi
  done < <(grep -n '^[[:space:]]*#[[:space:]]*include' "$file" || true)
done < <(find "$src" -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.inc' \) -print0 | sort -z)

if [ "$faults" -gt 0 ]; then
  echo "check-layers: $faults include(s) break the layers" \
    "platform <- settings <- engine <- {cli, widgets} <- {pages, dialogs} <- wizard <- shell"
  exit 1
fi
