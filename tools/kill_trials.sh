#!/usr/bin/env bash
# Kill trials of the seen-message cache (by hand, not in CI): the real Notify.exe under
# Wine is killed with SIGKILL TRIALS times (default 500), half of them as a save creates its
# temporary file (inotify on the cache's folder), and the cache is checked after each kill.
#
#   tools/kill_trials.sh [TRIALS] [SEED]
set -euo pipefail
cd "$(dirname "$0")/.."

if ! command -v inotifywait >/dev/null; then
  sudo_cmd=""
  [[ $(id -u) -eq 0 ]] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends inotify-tools >/dev/null
fi
if [[ ! -f build/windows/bin/Notify.exe ]]; then
  cmake --preset windows >/dev/null
  nice cmake --build --preset windows --target Notify
fi
NOTIFY_EXE="$PWD/build/windows/bin/Notify.exe" exec tools/winenv.sh python3 tools/kill_trials.py "$@"
