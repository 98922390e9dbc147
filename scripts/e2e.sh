#!/usr/bin/env bash
# Runs the Windows tests whose CTest names match PATTERN, N times in a row, with one wineserver
# for all of them, after building what they test:
#   scripts/e2e.sh PATTERN [N]
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
pattern="$1"
runs="${2:-1}"
cmake --preset windows >/dev/null
cmake --build --preset windows
export WINEPREFIX="$PWD/build/windows/wineprefix"
scripts/wine-warm.sh "$WINEPREFIX"
trap 'WINEPREFIX="$WINEPREFIX" wineserver -k 2>/dev/null || true' EXIT
passed=0
for run in $(seq "$runs"); do
  if ctest --preset windows -R "$pattern" --output-on-failure; then
    passed=$((passed + 1))
  fi
  echo "== run $run of $runs: $passed passed"
done
[ "$passed" -eq "$runs" ]
