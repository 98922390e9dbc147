#!/usr/bin/env bash
# Runs a cross-built Windows program under Wine. Used by CTest as the cross-compiling emulator;
# the prefix comes from WINEPREFIX (the test script sets it), else the build's own.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$here/build/windows/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export LANG=C.UTF-8
"$here/scripts/wine-prefix.sh" "$WINEPREFIX"
exec wine "$@"
