#!/usr/bin/env bash
# The one test command: installs what is missing, builds every preset and runs every
# test layer (portable natively, with sanitizers and under Wine; Win32; end to end).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh

for preset in linux linux-asan windows; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

ctest --preset linux
ctest --preset linux-asan
tools/winenv.sh ctest --preset windows
