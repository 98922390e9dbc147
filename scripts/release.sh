#!/usr/bin/env bash
# Builds tarquel.exe and packs it, with README and LICENSE, as a portable zip and an NSIS
# installer: build/windows/tarquel-<version>-win64.{zip,exe}.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
cmake --preset windows >/dev/null
cmake --build --preset windows --target tarquel
(cd build/windows && cpack -C Release)
ls -l build/windows/tarquel-*-win64.*
