#!/usr/bin/env bash
# Every test: formatting, host unit tests under ASan/UBSan, the same tests under Wine, and the
# end-to-end tests of tarquel.exe under Wine on a virtual display.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

echo "== clang-format"
scripts/check-format.sh

echo "== rooms (includes follow the order of the layers)"
scripts/check-layers.py

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
# The same program with every file write taking 3 s, so that a test can type during a save.
cmake --preset windows-slow-save >/dev/null
cmake --build --preset windows-slow-save
export WINEPREFIX="$PWD/build/windows/wineprefix"
scripts/wine-warm.sh "$WINEPREFIX"
trap 'WINEPREFIX="$WINEPREFIX" wineserver -k 2>/dev/null || true' EXIT
ctest --preset windows
