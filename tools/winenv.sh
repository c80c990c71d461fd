#!/usr/bin/env bash
# Runs a command inside a fresh Wine prefix and a private X server with a compositor,
# then cleans up by PID. Used by the test command, by CTest (the environment is
# inherited) and by the demo.
#
#   tools/winenv.sh [--display-from-user] <command> [args...]
#
# With --display-from-user an existing $DISPLAY is used instead of a private X server.
#
# The prefix gets a persistent Wine server (wineserver -p): it stays up between Wine
# programs so that each test starts fast, and it is stopped (wineserver -k) only when
# this script ends. So inside the command, `wineserver -w` never returns: wait for your
# own Wine processes by their PIDs instead. Set LC_ALL/LANG before this script to run
# Wine in another user locale; the sound sink file is $NOTIFY_SOUND_SINK.
set -euo pipefail

use_user_display=0
if [[ "${1:-}" == "--display-from-user" ]]; then use_user_display=1; shift; fi
[[ $# -gt 0 ]] || { echo "usage: $0 [--display-from-user] command [args...]" >&2; exit 2; }

scratch=$(mktemp -d /tmp/notify-wine.XXXXXX)
xvfb_pid=""
comp_pid=""

cleanup() {
  local rc=$?
  set +e
  if [[ -n "${WINEPREFIX:-}" ]]; then wineserver -k >/dev/null 2>&1; fi
  [[ -n "$comp_pid" ]] && kill "$comp_pid" 2>/dev/null && wait "$comp_pid" 2>/dev/null
  [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$scratch"
  exit $rc
}
trap cleanup EXIT INT TERM

export HOME="$scratch/home"
export WINEPREFIX="$scratch/prefix"
export WINEARCH=win64
export WINEDEBUG=-all
# No Mono/Gecko installers, no menu entries, no debugger that would hang a crashed test;
# audio only through the ALSA file sink below.
export WINEDLLOVERRIDES="mscoree=d;mshtml=d;winemenubuilder.exe=d;winepulse.drv=d;winedbg.exe=d"
mkdir -p "$HOME"

# An ALSA device whose PCM bytes land in a file, so that tests can prove a sound played.
export NOTIFY_SOUND_SINK="$scratch/sound.raw"
cat > "$HOME/.asoundrc" <<ASOUND
pcm.!default { type file slave.pcm "null" file "$NOTIFY_SOUND_SINK" format "raw" }
ASOUND

if [[ $use_user_display -eq 0 || -z "${DISPLAY:-}" ]]; then
  # Xvfb picks a free display itself and writes its number once it accepts clients, so
  # two runs started together never race for the same one (lock files can).
  exec {display_fd}>"$scratch/display"
  Xvfb -displayfd "$display_fd" -screen 0 1280x1024x24 -nolisten tcp >"$scratch/xvfb.log" 2>&1 &
  xvfb_pid=$!
  exec {display_fd}>&-
  for _ in $(seq 1 100); do
    [[ -s "$scratch/display" ]] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.05
  done
  n=$(head -n 1 "$scratch/display" 2>/dev/null || true)
  [[ "$n" =~ ^[0-9]+$ ]] || { echo "winenv: could not start Xvfb" >&2; exit 1; }
  export DISPLAY=":$n"
  # Without a compositor, per-pixel-alpha windows show as solid black.
  xcompmgr -n >"$scratch/xcompmgr.log" 2>&1 &
  comp_pid=$!
fi

wineboot -i >/dev/null 2>&1
# Without a window manager Wine waits 2 s on every hide of an active window unless unmanaged.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
# CJK captions need a font link, or they render as boxes.
wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
  /v Tahoma /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f >/dev/null 2>&1
wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
  /v 'Microsoft Sans Serif' /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f >/dev/null 2>&1
wineserver -w
# A persistent server: without it every Wine start under CTest costs seconds.
wineserver -p
wine cmd /c exit </dev/null >/dev/null 2>&1 || true

set +e
"$@"
status=$?
set -e
exit $status
