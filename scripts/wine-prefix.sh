#!/usr/bin/env bash
# Creates the Wine prefix given as $1 once (no Mono or Gecko prompts), then returns at once.
set -euo pipefail
prefix=${1:?prefix}
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LANG=C.UTF-8
if [ ! -f "$prefix/system.reg" ]; then
  mkdir -p "$prefix"
  echo "Creating Wine prefix $prefix"
  DISPLAY= wineboot -i >/dev/null 2>&1 || true
  wineserver -w
fi
