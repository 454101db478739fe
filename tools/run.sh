#!/usr/bin/env bash
# Starts the program from the build folder: the GUI when it was built, else the command line
# on the shipped example job.
set -euo pipefail
build=${1:-build}
if [ -x "$build/morvanex" ]; then
  exec "$build/morvanex" "${@:2}"
fi
exec "$build/morvanex-cli" show --ini examples/photos.mvx
