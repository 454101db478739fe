#!/usr/bin/env bash
# Installs a build into a temporary root, as `make install DESTDIR=…` does, and starts what was
# installed there: the command line's --help and its bash completion, the package's documents,
# and the window's auto-exec start on a job that
# renames two files (offscreen). Fails when a file is missing, lands outside the root, or an
# installed program does not work. Reuses the build: nothing is compiled here.
#   tools/check-install.sh [BUILD_DIR]    (default: build)
set -euo pipefail

build=${1:-build}
if [ ! -f "$build/cmake_install.cmake" ]; then
  echo "check-install: $build is not a configured build folder" >&2
  exit 2
fi
build=$(cd "$build" && pwd)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$work/root
prefix=/usr/local
installed=$root$prefix

fail() {
  echo "check-install: $*" >&2
  exit 1
}

DESTDIR=$root cmake --install "$build" --prefix "$prefix" >"$work/install.log" ||
  { cat "$work/install.log" >&2; fail "the install failed"; }

# DESTDIR honoured: every file the install names (under the prefix) is under the temporary root.
while IFS= read -r file; do
  case $file in
    "$prefix"/*) [ -e "$root$file" ] || fail "not installed under DESTDIR: $file" ;;
    *) fail "installed outside the prefix: $file" ;;
  esac
done <"$build/install_manifest.txt"

gui=0
[ -x "$build/morvanex" ] && gui=1
expected=(bin/morvanex-cli share/man/man1/morvanex-cli.1.gz
          share/bash-completion/completions/morvanex-cli share/zsh/vendor-completions/_morvanex-cli
          share/fish/vendor_completions.d/morvanex-cli.fish share/doc/morvanex/copyright
          share/doc/morvanex/changelog.gz share/doc/morvanex/preview.schema.json)
if [ $gui -eq 1 ]; then
  expected+=(bin/morvanex share/man/man1/morvanex.1.gz share/morvanex/morvanex-help.html
             share/applications/morvanex.desktop
             share/mime/packages/morvanex.xml share/icons/hicolor/scalable/apps/morvanex.svg
             share/icons/hicolor/16x16/apps/morvanex.png share/icons/hicolor/256x256/apps/morvanex.png)
fi
for file in "${expected[@]}"; do
  [ -s "$installed/$file" ] || fail "not installed: $prefix/$file"
done
pages=(morvanex-cli)
[ $gui -eq 1 ] && pages+=(morvanex)
for page in "${pages[@]}"; do
  gzip -dc "$installed/share/man/man1/$page.1.gz" >"$work/manual" ||
    fail "the manual page of $page is not compressed with gzip"
  grep -q '^\.TH' "$work/manual" || fail "the manual page of $page is not a manual page"
done

cli=$installed/bin/morvanex-cli
"$cli" --help >"$work/help.txt" || fail "the installed morvanex-cli --help failed"
grep -q '^Usage: morvanex-cli' "$work/help.txt" || fail "morvanex-cli --help printed no usage"
# The changelog's newest entry is the version the programs say they are.
version=$("$cli" --version | sed -n 's/^morvanex-cli (MorvaneX) //p')
gzip -dc "$installed/share/doc/morvanex/changelog.gz" | head -n 1 |
  grep -qF "morvanex ($version) " ||
  fail "the changelog's newest entry is not for version $version (data/package/changelog)"
# The installed completion registers itself and finds the installed program's keys.
offered=$(PATH="$installed/bin:$PATH" bash -c '
  source "$1"
  COMP_WORDS=(morvanex-cli run job.mvx --set CommonOption.NaturalO) COMP_CWORD=4
  _morvanex_cli 2>/dev/null; echo "${COMPREPLY[*]}"' bash \
  "$installed/share/bash-completion/completions/morvanex-cli")
[ "$offered" = "CommonOption.NaturalOrder=" ] ||
  fail "the installed bash completion offered '$offered' for --set CommonOption.NaturalO"

if [ $gui -eq 0 ]; then
  echo "install check: command line installed and started (no window in this build)"
  exit 0
fi

# A job renaming the folder's *.txt files to 001.txt, 002.txt, … , made by the installed command
# line, run by the installed window as an auto-exec file.
files=$work/files
mkdir -p "$files" "$work/home" "$work/config" "$work/state"
printf 'a\n' >"$files/a.txt"
printf 'b\n' >"$files/b.txt"
"$cli" new "$work/fresh.mvx"
"$cli" show --ini "$work/fresh.mvx" --set "SelectFile.FullPath=$files/" \
  --set "SelectFile.FileFilter=*.txt" >"$work/job.mxs"
status=0
env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen HOME="$work/home" \
  XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state" \
  timeout 120 "$installed/bin/morvanex" "$work/job.mxs" >"$work/gui.log" 2>&1 || status=$?
[ $status -eq 0 ] || { cat "$work/gui.log" >&2; fail "the installed morvanex ended with $status"; }
for name in 001.txt 002.txt; do
  [ -f "$files/$name" ] || fail "the auto-exec run did not make $name"
done
for name in a.txt b.txt; do
  [ ! -e "$files/$name" ] || fail "the auto-exec run left $name"
done
[ "$(cat "$files/001.txt" "$files/002.txt")" = "$(printf 'a\nb')" ] ||
  fail "the renamed files lost their contents"

echo "install check: $(wc -l <"$build/install_manifest.txt") files installed under DESTDIR;" \
  "morvanex-cli --help, its completion and the window's auto-exec run work from there"
