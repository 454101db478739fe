#!/usr/bin/env bash
# Installs the Debian packages a command needs, when missing:
#   tools/install-deps.sh run       the build and the program (make run, make install)
#   tools/install-deps.sh test      and the tests, the fuzz targets, the file-system matrix (make test)
#   tools/install-deps.sh package   and the Debian package's tools (make package)
#   tools/install-deps.sh           all of them
set -euo pipefail

run=(
  cmake ninja-build g++ pkg-config
  libpcre2-dev libicu-dev libtag1-dev libsodium-dev
  qt6-base-dev qt6-qpa-plugins libgl-dev
  fonts-noto-cjk xdg-utils qt6-translations-l10n
)
test=(
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev clang-format
  # The command line's JSON output is checked against its schema.
  python3 python3-jsonschema
  # The completions are tried in each shell they are written for.
  bash zsh fish
  # The file system matrix test formats and mounts these (it skips without them).
  dosfstools fusefat exfatprogs exfat-fuse ntfs-3g xfsprogs btrfs-progs
)
# CPack's Debian generator works out library dependencies with these; lintian checks the package.
package=(dpkg-dev file lintian)

case ${1:-} in
  run) packages=("${run[@]}") ;;
  test) packages=("${run[@]}" "${test[@]}") ;;
  package) packages=("${run[@]}" "${package[@]}") ;;
  "") packages=("${run[@]}" "${test[@]}" "${package[@]}") ;;
  *)
    echo "usage: tools/install-deps.sh [run|test|package]" >&2
    exit 2
    ;;
esac
[ "${MORVANEX_DEPS_EXTRA:-}" ] && read -r -a extra <<<"$MORVANEX_DEPS_EXTRA" && packages+=("${extra[@]}")

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "Run as root or install: ${missing[*]}" >&2; exit 1; }
  sudo=sudo
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
