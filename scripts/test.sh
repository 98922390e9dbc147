#!/usr/bin/env bash
# Every test: formatting, host unit tests under ASan/UBSan, the same tests under Wine, and the
# end-to-end tests of tarquel.exe under Wine on a virtual display.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

echo "== clang-format"
scripts/check-format.sh

echo "== host (AddressSanitizer, UBSan)"
cmake --preset host-asan >/dev/null
cmake --build --preset host-asan
ctest --preset host-asan -j2

echo "== fuzzers (clang, libFuzzer; a few seconds each)"
cmake --preset fuzz -DTARQUEL_FUZZ_SECONDS=5 >/dev/null
cmake --build --preset fuzz
ctest --preset fuzz

echo "== windows (MinGW-w64, Wine)"
cmake --preset windows >/dev/null
cmake --build --preset windows
# The release installer, for the end-to-end test that installs and uninstalls it.
(cd build/windows && cpack -C Release -G NSIS >/dev/null)
# The same program asking a version-file server of the update check's end-to-end test on
# loopback instead of the configured address (tarquel only, its own build folder).
cmake --preset windows-update-test >/dev/null
cmake --build --preset windows-update-test
# The same program removing its own hook once, so that the hook watchdog has something to mend.
cmake --preset windows-watchdog-drill >/dev/null
cmake --build --preset windows-watchdog-drill
export WINEPREFIX="$PWD/build/windows/wineprefix"
scripts/wine-prefix.sh "$WINEPREFIX"
# One wineserver for the whole run: every Wine start after the first reuses it. Wine's own
# background programs (services, explorer) start with the first program; start them here, away
# from CTest's output pipes, or CTest would wait for them to close those pipes.
wineserver -p
# That first program runs on a virtual display of the size the end-to-end tests use: the
# wineserver keeps the screen size the first desktop reported for as long as it lives, and
# without a display that is 1024 x 768. The desktop process leaves with its display.
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
trap 'WINEPREFIX="$WINEPREFIX" wineserver -k 2>/dev/null || true' EXIT
ctest --preset windows
