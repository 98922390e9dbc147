#!/usr/bin/env bash
# Installs from Debian's archive whatever the build and the tests need and is not there yet, and
# unpacks the Debian source of the C libraries the MinGW build compiles itself into build/deps/.
set -euo pipefail
packages=(
  cmake ninja-build g++ make python3 git dpkg-dev
  python3-yaml  # the release manifests' test reads the winget YAML back
  googletest libgtest-dev libbenchmark-dev
  libyaml-dev nlohmann-json3-dev  # the importers: YAML (compiled), JSON (header-only)
  clang-format clang libclang-rt-14-dev
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
  wine wine64
  xvfb xdotool x11-utils x11-xkb-utils imagemagick
  nsis zip
  e2fsprogs  # chattr: files nobody may change, for the failed-save tests
)
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# libyaml for the MinGW build, from the source package of the libyaml Debian installed for the
# host: the same version on both sides. `apt-get source` needs deb-src lines; they are added to
# the archive's own entries when missing (nothing but Debian's archive is asked).
root=$(cd "$(dirname "$0")/.." && pwd)
deps="$root/build/deps"
yaml_version=$(dpkg-query -W -f='${source:Version}' libyaml-dev)
yaml_dir="$deps/libyaml-${yaml_version%%-*}"
if [ ! -f "$yaml_dir/src/api.c" ]; then
  if ! apt-get source --print-uris libyaml >/dev/null 2>&1; then
    sources=/etc/apt/sources.list.d/debian.sources
    if [ -f "$sources" ] && grep -q '^Types: deb$' "$sources"; then
      "${sudo_cmd[@]}" sed -i 's/^Types: deb$/Types: deb deb-src/' "$sources"
    else
      grep -h '^deb ' /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
        grep -E 'debian\.org' | sed 's/^deb /deb-src /' |
        "${sudo_cmd[@]}" tee /etc/apt/sources.list.d/tarquel-deb-src.list >/dev/null
    fi
    "${sudo_cmd[@]}" apt-get update -qq
  fi
  mkdir -p "$deps"
  (cd "$deps" && apt-get source -qq "libyaml=$yaml_version" >/dev/null)
  test -f "$yaml_dir/src/api.c"
fi
