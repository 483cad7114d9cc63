#!/usr/bin/env bash
# Installs the Debian packages the builds and tests need; quiet, and does nothing when all
# are present. Of the i386 architecture only wine32 and what it pulls in: Wine's 32-bit loader
# runs the PE32 product and its tests, wine64 the win64 build.
set -euo pipefail

packages=(
  cmake make g++ clang libclang-rt-14-dev libgtest-dev libgmock-dev googletest libbenchmark-dev clang-format
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686
  wine64 wine32:i386 fonts-wine xvfb x11-utils x11-apps imagemagick xdotool fonts-ipafont-gothic
  iproute2 util-linux procps libcap2-bin locales tzdata python3 libfaketime
)

# Wine runs in a Japanese locale where one can be made.
ensure_japanese_locale() {
  locale -a 2>/dev/null | grep -qix 'ja_JP.utf8' && return 0
  [ -f /etc/locale.gen ] || return 0
  sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >>/etc/locale.gen
  locale-gen >/dev/null
}

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  ensure_japanese_locale
  exit 0
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
apt-get update -qq >/dev/null
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
ensure_japanese_locale
