#!/usr/bin/env bash
# Fails when the compiler, building a layer of src/, opened a header of a layer that the order
# puts above or beside it, a header of a folder that has no place in the layers, or — in the
# core (platform, settings, engine, cli) — any header of Qt. It reads what the compiler itself
# recorded while it built (ninja's dependency log) and resolves every path, so no spelling of an
# include hides one: a path through "..", a line continued by a backslash, a comment before the
# hash, a macro, a header of any extension. Every header of a layer is compiled on its own as
# well (the build's morvanex_*_headers), so a header that no source includes is seen too.
#
#   tools/check-layers.sh [BUILD_DIR]     (default: build; build it first — `make check` does)
#
# The layers, their order and the objects of each are the build's own (BUILD_DIR/layers.txt,
# written by CMake from the table in CMakeLists.txt). Exit status: 0 in order, 1 out of order,
# 2 when the build cannot be checked (not configured, not built, out of date, not Ninja).
set -euo pipefail

build=${1:-build}
usage_error() {
  echo "check-layers: $*" >&2
  exit 2
}
[ -f "$build/layers.txt" ] || usage_error "$build is not a configured build folder (no layers.txt)"
[ -f "$build/build.ninja" ] || usage_error "$build is not a Ninja build: the check reads ninja's dependency log"
command -v ninja >/dev/null || usage_error "ninja not found"
build=$(cd "$build" && pwd)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

src=$(awk '$1 == "source" { print $2 }' "$build/layers.txt")
[ -d "$src" ] || usage_error "no source folder $src"
src=$(realpath "$src")

# Each object with its layer, then what ninja recorded for all of them at once.
awk '$1 == "objects" { for (i = 3; i <= NF; ++i) print $2 "\t" $i }' "$build/layers.txt" |
  while IFS=$'\t' read -r layer object; do
    object=${object#"$build"/}
    printf '%s\t%s\n' "$layer" "${object//\/.\///}"
  done >"$work/objects"
[ -s "$work/objects" ] || usage_error "$build names no object of any layer"
cut -f2 "$work/objects" | (cd "$build" && xargs ninja -t deps) >"$work/deps" ||
  usage_error "ninja could not read the dependency log of $build"

# object <TAB> path as recorded, for every header each object opened; objects not built or built
# from older files than they are now stop the check.
awk -v out="$work/opened" -v bad="$work/unbuilt" '
  /^[^ ]/ {
    object = $0
    sub(/: .*/, "", object)
    if ($0 !~ /\(VALID\)$/) print object >bad
    first = 1
    next
  }
  /^    / {
    path = substr($0, 5)
    # The first path is the source the object was compiled from.
    if (first) { source[object] = path; first = 0 }
    print object "\t" path >out
  }
  END { for (o in source) print o "\t" source[o] >(out ".sources") }
' "$work/deps"
# An object older than a file it was made from is out of date.
{ cut -f2 "$work/objects"; cut -f2 "$work/opened"; } | sort -u |
  (cd "$build" && tr '\n' '\0' | xargs -0 stat -c '%Y %n' -- 2>/dev/null || true) >"$work/mtimes"
awk -v bad="$work/unbuilt" '
  FILENAME == ARGV[1] { time[substr($0, index($0, " ") + 1)] = $1; next }
  {
    split($0, pair, "\t")
    if (time[pair[2]] > time[pair[1]] && !(pair[1] in said)) {
      print pair[1] >>bad
      said[pair[1]] = 1
    }
  }
' "$work/mtimes" "$work/opened"
if [ -s "$work/unbuilt" ]; then
  echo "check-layers: not built, or older than its sources (build first):" >&2
  sed 's/^/  /' "$work/unbuilt" >&2
  exit 2
fi

# Every path as the file system resolves it (links followed, ".." taken out).
cut -f2 "$work/opened" | sort -u >"$work/paths"
(cd "$build" && tr '\n' '\0' <"$work/paths" | xargs -0 realpath -m --) >"$work/resolved"
paste "$work/paths" "$work/resolved" >"$work/map"

# Qt's header folders, resolved.
awk '$1 == "qt" { print $2 }' "$build/layers.txt" | while read -r dir; do
  [ -d "$dir" ] && realpath "$dir"
done >"$work/qt"

# A folder of src/ holding C++ files that is neither a layer's folder nor beneath one (a
# sub-folder without a row of its own is built with, and checked as, the layer above it).
(cd "$src" && find . -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.hh' -o -name '*.hpp' \
  -o -name '*.hxx' -o -name '*.inc' \) -printf '%h\n' | sed 's|^\./||; s|^\.$|.|' | sort -u) \
  >"$work/code-folders"

awk -v src="$src/" -v build="$build/" -v unitdir="$build/layer-headers/" '
  FILENAME == ARGV[1] {  # layers.txt
    if ($1 == "layer") {
      layers[++count] = $2
      kind[$2] = $3
      for (i = 4; i <= NF; ++i) allowed[$2 " " $i] = 1
    } else if ($1 == "absent") {
      layers[++count] = $2
      absent[$2] = 1
    }
    next
  }
  FILENAME == ARGV[2] { qt[++qts] = $0 "/"; next }
  FILENAME == ARGV[3] { split($0, pair, "\t"); resolved[pair[1]] = pair[2]; next }
  FILENAME == ARGV[4] { split($0, pair, "\t"); source[pair[1]] = pair[2]; next }
  FILENAME == ARGV[5] { split($0, pair, "\t"); layer_of[pair[2]] = pair[1]; next }
  FILENAME == ARGV[6] {
    if ($0 == ".") {
      fault("src/: files outside every layer folder")
    } else if (Owner($0 "/file") == "") {
      fault("src/" $0 "/ has no place in the layers (give it a row in the table in CMakeLists.txt)")
    }
    next
  }
  {  # object <TAB> opened path
    split($0, pair, "\t")
    object = pair[1]
    path = resolved[pair[2]]
    layer = layer_of[object]
    if (layer == "") next
    what = Origin(object)
    if (substr(path, 1, length(src)) == src) {
      relative = substr(path, length(src) + 1)
      owner = Owner(relative)
      if (owner == "") {
        fault(what ": opened src/" relative ", which is in no layer")
      } else if (!((layer " " owner) in allowed)) {
        fault(what ": " layer " may not include src/" relative " (" owner ")")
      }
    } else if (kind[layer] == "core") {
      for (i = 1; i <= qts; ++i) {
        if (substr(path, 1, length(qt[i])) == qt[i]) {
          fault(what ": " layer " may not include Qt (" path ")")
          break
        }
      }
    }
  }
  # The layer a file under src/ belongs to: the longest layer folder holding it, directly or in
  # a sub-folder.
  function Owner(relative,    best, i) {
    best = ""
    for (i = 1; i <= count; ++i) {
      if (substr(relative, 1, length(layers[i]) + 1) == layers[i] "/" &&
          length(layers[i]) > length(best)) best = layers[i]
    }
    return best
  }
  # What was compiled: the source, or the header compiled on its own.
  function Origin(object,    from) {
    from = source[object]
    if (substr(from, 1, length(unitdir)) == unitdir) {
      from = substr(from, length(unitdir) + 1)
      sub(/\.cpp$/, "", from)
      return "src/" from " (compiled on its own)"
    }
    if (substr(from, 1, length(src)) == src) return "src/" substr(from, length(src) + 1)
    return from
  }
  function fault(text) {
    if (text in said) return
    said[text] = 1
    print text
    ++faults
  }
  END {
    checked = 0
    for (o in layer_of) ++checked
    if (faults > 0) {
      print "check-layers: " faults " fault(s): the compiler opened headers out of the layer order"
      exit 1
    }
    print "layers: " checked " objects checked; every header they opened is in order"
  }
' "$build/layers.txt" "$work/qt" "$work/map" "$work/opened.sources" "$work/objects" \
  "$work/code-folders" "$work/opened"
