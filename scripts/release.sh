#!/usr/bin/env bash
# Builds tarquel.exe and packs it, with README and LICENSE, as a portable zip and an NSIS
# installer: build/windows/tarquel-<version>-win64.{zip,exe}; then the winget and Scoop
# manifests of those two files in build/windows/manifests/ (scripts/package_manifests.py).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
cmake --preset windows >/dev/null
cmake --build --preset windows -j2 --target tarquel
(cd build/windows && cpack -C Release)
scripts/package_manifests.py build/windows/release.json
version=$(python3 -c 'import json, sys; print(json.load(open(sys.argv[1]))["version"])' build/windows/release.json)
ls -l "build/windows/tarquel-$version-win64.exe" "build/windows/tarquel-$version-win64.zip"
