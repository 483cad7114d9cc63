#!/usr/bin/env bash
# The release package: builds the PE32 product (preset win32, release mode) twice from a clean
# copy of the commit, in two different folders and without the compiler cache, and fails unless
# the two Kestrum.exe are the same bytes; checks the product (tools/check-pe.sh: PE32, system
# DLLs only, the size bound, no time stamp); writes dist/Kestrum-<version>.zip with Kestrum.exe,
# readme.txt (Shift-JIS, CRLF, from tools/dist/readme.txt) and LICENSE.txt. The version is
# CMake's project version. The reproducibility check lives here rather than in tools/test.sh's
# own builds, which run from the working tree with the cache; tools/test.sh runs this script.
#   tools/dist.sh             build twice, compare, package
#   KESTRUM_DIST_ONCE=1 tools/dist.sh   one build, no comparison (quicker, for trying the package)
# Uncommitted changes to tracked files are built too (as a stash commit); untracked files not.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

tools/install-deps.sh

rev=$(git stash create 2>/dev/null || true)
rev=${rev:-HEAD}
stamp=$(git log -1 --format=%ct "$rev")
work=$(mktemp -d /tmp/kestrum-dist.XXXXXX)
trap 'rm -rf "$work"' EXIT

# One clean build of the product from a copy of the commit in folder $1; prints the program's path.
build_product() {
  local src=$1
  mkdir -p "$src"
  git archive "$rev" | tar -x -C "$src"
  (
    cd "$src"
    unset CMAKE_CXX_COMPILER_LAUNCHER
    export CCACHE_DISABLE=1
    cmake --preset win32 -DKESTRUM_TESTS=OFF -DKESTRUM_LINK_MAP="$src/Kestrum.map" >/dev/null
    cmake --build --preset win32 -j"$(nproc)" --target Kestrum >/dev/null
  )
  echo "$src/build/win32/app/Kestrum.exe"
}

echo "dist: building $(git rev-parse --short "$rev") in $work/a/Kestrum"
first=$(build_product "$work/a/Kestrum")
if [ -z "${KESTRUM_DIST_ONCE:-}" ]; then
  echo "dist: building it again in $work/b/elsewhere/kestrum-src"
  second=$(build_product "$work/b/elsewhere/kestrum-src")
  if ! cmp -s "$first" "$second"; then
    echo "dist: two builds of one commit differ:" >&2
    cmp -l "$first" "$second" | head -20 >&2
    exit 1
  fi
  echo "dist: both builds give the same $(stat -c %s "$first") bytes (sha256 $(sha256sum "$first" | cut -c1-16))"
fi
tools/check-pe.sh "$first"
python3 tools/dist/map-summary.py "$work/a/Kestrum/Kestrum.map" 8

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$work/a/Kestrum/build/win32/CMakeCache.txt")
[ -n "$version" ] || { echo "dist: no project version in the CMake cache" >&2; exit 1; }
python3 tools/dist/pack.py --version "$version" --exe "$first" --readme tools/dist/readme.txt \
  --license LICENSE --stamp "$stamp" --out "dist/Kestrum-$version.zip"
