#!/usr/bin/env bash
# The one test command: installs what is missing, builds every preset and runs every
# test layers (portable natively, with sanitizers and under Wine; Win32; end to end; the
# fuzz targets over their corpora).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh

for preset in linux linux-asan windows fuzz; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

ctest --preset linux
ctest --preset linux-asan
# Each fuzz target replays its committed corpus once under the sanitizers.
ctest --preset fuzz
tools/winenv.sh ctest --preset windows
