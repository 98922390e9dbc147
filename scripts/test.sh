#!/usr/bin/env bash
# Every test: formatting, the rooms' include order, host unit tests under ASan/UBSan, the
# fuzzers for a few seconds each, the same unit tests under Wine, and the end-to-end tests of
# tarquel.exe under Wine on virtual displays.
#
# The Wine tests spend most of their time waiting for windows and keys, so they run in the
# background (four prefixes, four at a time, tests/e2e/wine-lanes.json) while the host side
# builds and runs at low priority beside them.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
# Each phase line says when it began, in seconds since the start, so that a slow run shows where.
phase() { echo "== $* (at ${SECONDS} s)"; }

phase "clang-format"
scripts/check-format.sh

phase "rooms (includes follow the order of the layers)"
scripts/check-layers.py

cmake --preset windows >/dev/null

# The Wine prefixes are made (the first time) and started while the compiler runs: making
# one takes Wine half a minute of mostly waiting.
prefixes=(build/windows/wineprefix build/windows/wineprefix-2 build/windows/wineprefix-3
  build/windows/wineprefix-4)
stop_wine() {
  for prefix in "${prefixes[@]}"; do WINEPREFIX="$PWD/$prefix" wineserver -k 2>/dev/null || true; done
}
trap stop_wine EXIT
warm_log=build/windows/wine-warm.log
(
  # Made once and copied: Wine's first boot of a prefix costs far more than a copy of it.
  scripts/wine-prefix.sh "$PWD/${prefixes[0]}"
  for prefix in "${prefixes[@]:1}"; do
    [ -f "$prefix/system.reg" ] || cp -a "${prefixes[0]}" "$prefix"
  done
  pids=()
  for prefix in "${prefixes[@]}"; do scripts/wine-warm.sh "$PWD/$prefix" & pids+=($!); done
  for pid in "${pids[@]}"; do wait "$pid"; done
) >"$warm_log" 2>&1 &
warming=$!

phase "windows (MinGW-w64): tarquel.exe, tarquel_test.exe, the unit tests and the probes"
cmake --build --preset windows
# The release installer, for the end-to-end test that installs and uninstalls it.
(cd build/windows && cpack -C Release -G NSIS >/dev/null)

if ! wait "$warming"; then
  cat "$warm_log"
  echo "FAILED: the Wine prefixes could not be started"
  exit 1
fi

phase "Wine (unit tests and end-to-end tests, in the background)"
wine_log=build/windows/wine-tests.log
ctest --preset windows -j"${#prefixes[@]}" >"$wine_log" 2>&1 &
wine_tests=$!

# A subshell of its own, so that its first failure ends it (`set -e` does not hold inside the
# left side of `||`).
(
  set -e
  phase "host (AddressSanitizer, UBSan)"
  cmake --preset host-asan >/dev/null
  nice -n 15 cmake --build --preset host-asan
  nice -n 15 ctest --preset host-asan -j2

  phase "fuzzers (clang, libFuzzer; a few seconds each)"
  cmake --preset fuzz -DTARQUEL_FUZZ_SECONDS=5 >/dev/null
  nice -n 15 cmake --build --preset fuzz
  nice -n 15 ctest --preset fuzz -j2
) &
host_side=$!
host_status=0
wait "$host_side" || host_status=$?
phase "host side ended (exit $host_status)"

wine_status=0
wait "$wine_tests" || wine_status=$?
phase "Wine tests (log: $wine_log)"
cat "$wine_log"
if [ "$host_status" -ne 0 ] || [ "$wine_status" -ne 0 ]; then
  echo "FAILED: host side exit $host_status, Wine side exit $wine_status"
  exit 1
fi
phase "all passed"
