#!/usr/bin/env bash
# Runs a cross-built Windows program under Wine. Used by CTest as the cross-compiling emulator;
# the prefix comes from WINEPREFIX (the test script sets it), else the build's own.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# Under CTest's resource allocation the test was given a lane ("id:lane_2,slots:1"): lane_1 is
# the build's wineprefix, lane_N its wineprefix-N.
lane=${CTEST_RESOURCE_GROUP_0_WINE_LANES:-}
if [ -n "$lane" ] && [ -n "${TARQUEL_WINE_LANES:-}" ]; then
  lane=${lane#id:lane_}
  lane=${lane%%,*}
  if [ "$lane" = 1 ]; then
    export WINEPREFIX=$TARQUEL_WINE_LANES/wineprefix
  else
    export WINEPREFIX=$TARQUEL_WINE_LANES/wineprefix-$lane
  fi
fi
export WINEPREFIX=${WINEPREFIX:-$here/build/windows/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export LANG=C.UTF-8
"$here/scripts/wine-prefix.sh" "$WINEPREFIX"
exec wine "$@"
