#!/usr/bin/env bash
# Installs the Debian packages the builds and tests need; quiet, and does nothing when all
# are present. Never wine32 or i386 packages: 64-bit Wine runs the win64 build.
set -euo pipefail

packages=(
  cmake make g++ clang libclang-rt-14-dev libgtest-dev libgmock-dev googletest libbenchmark-dev clang-format
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686
  wine64 fonts-wine xvfb x11-utils x11-apps imagemagick xdotool fonts-ipafont-gothic
  iproute2 util-linux procps
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq >/dev/null
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
