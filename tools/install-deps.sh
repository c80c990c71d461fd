#!/usr/bin/env bash
# Installs what a fresh Debian machine lacks for building and testing Notify; a machine
# that has everything costs one dpkg query.
set -euo pipefail
packages=(cmake ninja-build g++ googletest libgtest-dev libbenchmark-dev libxml2-dev libxml2-utils
  libicu-dev zlib1g-dev liblzma-dev  # the static archives notify-check links (NOTIFY_STATIC_XML)
  libssl-dev openssl
  g++-mingw-w64-x86-64-posix wine wine64 fonts-wine
  xvfb xauth xdotool imagemagick xcompmgr x11-utils fonts-wqy-microhei
  libxrender1 libxcomposite1 libxrandr2 libxi6 libxcursor1 libxfixes3 libxinerama1
  python3 pkg-config
  clang libclang-rt-dev)  # the fuzz preset: clang and its libFuzzer and sanitizer runtimes
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [[ ${#missing[@]} -gt 0 ]]; then
  echo "install-deps: installing ${missing[*]}"
  sudo_cmd=""
  [[ $(id -u) -eq 0 ]] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
