#!/usr/bin/env bash
# Runs Notify.exe on the bundled demo: installs what is missing, builds the product, lays
# out a program folder from demo/, runs it under Wine (on $DISPLAY when set, otherwise in
# a private X server) with a fresh cache, and saves a screenshot of each message. It also
# publishes demo/web/Message.xml from 127.0.0.1, signed with a key made for this run, so
# the fourth message arrives from the "web".
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target Notify

out="$PWD/build/demo"
rm -rf "$out"
mkdir -p "$out/app"
cp -r demo/Image demo/Sound demo/Message.xml "$out/app/"
cp build/windows/bin/Notify.exe "$out/app/"

display_flag=()
[[ -n "${DISPLAY:-}" ]] && display_flag=(--display-from-user)
# A fresh Wine prefix each run means a fresh cache: the demo always shows its messages.
tools/winenv.sh "${display_flag[@]}" python3 tools/demo_capture.py "$out/app" "$out" --publish demo/web/Message.xml
