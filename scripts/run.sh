#!/usr/bin/env bash
# Builds tarquel.exe and runs it under Wine, in build/run (its config.txt and settings.txt live
# there). Without a display, starts a virtual one and says how to look at it.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
cmake --preset windows >/dev/null
cmake --build --preset windows --target tarquel
export WINEPREFIX="$PWD/build/windows/wineprefix" LANG=C.UTF-8 WINEDEBUG=${WINEDEBUG:--all}
scripts/wine-prefix.sh "$WINEPREFIX"
mkdir -p build/run
cp build/windows/tarquel.exe build/run/
if [ -z "${DISPLAY:-}" ]; then
  display=:$(( 90 + RANDOM % 100 ))
  Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  trap 'kill $xvfb 2>/dev/null || true' EXIT
  export DISPLAY=$display
  echo "No display: started a virtual one at $DISPLAY."
  # ImageMagick's import is installed with the rest (scripts/install-deps.sh); xwd is not.
  echo "Look at it with:  import -display $DISPLAY -window root screen.png"
fi
echo "Starting tarquel.exe (Ctrl+C ends it)."
cd build/run
exec wine ./tarquel.exe
