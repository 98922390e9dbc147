#!/usr/bin/env bash
# Installs from Debian's archive whatever the build and the tests need and is not there yet.
set -euo pipefail
packages=(
  cmake ninja-build g++ make python3 git
  googletest libgtest-dev libbenchmark-dev
  clang-format clang libclang-rt-14-dev
  g++-mingw-w64-x86-64-posix
  wine wine64
  xvfb xdotool x11-utils x11-xkb-utils imagemagick
  nsis zip
  e2fsprogs  # chattr: files nobody may change, for the failed-save tests
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
