#!/usr/bin/env bash
# Starts the one wineserver that a test run shares (every Wine start after the first reuses it)
# and runs a first program on a virtual display of the size the end-to-end tests use: the
# wineserver keeps the screen size the first desktop reported for as long as it lives, and
# without a display that is 1024 x 768. Wine's own background programs (services, explorer)
# start here, away from CTest's output pipes, or CTest would wait for them to close those pipes.
#   scripts/wine-warm.sh PREFIX
set -euo pipefail
export WINEPREFIX="$1"
"$(dirname "${BASH_SOURCE[0]}")/wine-prefix.sh" "$WINEPREFIX"
wineserver -p
warm_display=$(mktemp)
Xvfb -screen 0 1280x1024x24 -nolisten tcp -displayfd 3 3>"$warm_display" >/dev/null 2>&1 &
warm_xvfb=$!
for _ in $(seq 300); do [ -s "$warm_display" ] && break; sleep 0.1; done
[ -s "$warm_display" ] || { echo "Xvfb did not start"; exit 1; }
DISPLAY=":$(cat "$warm_display")" LANG=C.UTF-8 WINEDEBUG=-all wine cmd /c exit \
  >/dev/null 2>&1 </dev/null || true
kill "$warm_xvfb"
wait "$warm_xvfb" || true
rm -f "$warm_display"
