#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need, when missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  libpcre2-dev libicu-dev libtag1-dev libsodium-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev clang-format
  qt6-base-dev qt6-qpa-plugins libgl-dev
  fonts-noto-cjk xdg-utils qt6-translations-l10n
  # make package: CPack's Debian generator works out library dependencies with these.
  dpkg-dev file lintian
  # The command line's JSON output is checked against its schema.
  python3 python3-jsonschema
  # The completions are tried in each shell they are written for.
  bash zsh fish
  # Optional: the file system matrix test formats and mounts these (it skips without them).
  dosfstools fusefat exfatprogs exfat-fuse ntfs-3g xfsprogs btrfs-progs
)
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
