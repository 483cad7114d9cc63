#!/usr/bin/env bash
# Installs the Debian packages the builds and tests need; quiet, and does nothing when all
# are present. Of the i386 architecture only wine32 and what it pulls in: Wine's 32-bit loader
# runs the PE32 product and its tests, wine64 the win64 build. Every command that needs a
# package (tests, run, benchmark, fuzzing, release package) starts here; extra packages a command
# needs of its own are named as arguments.
#   tools/install-deps.sh [package ...]
set -euo pipefail

packages=(
  cmake make g++ clang libclang-rt-14-dev libgtest-dev libgmock-dev googletest libbenchmark-dev clang-format
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686
  wine64 wine32:i386 fonts-wine xvfb x11-utils x11-apps imagemagick xdotool fonts-ipafont-gothic
  iproute2 util-linux procps libcap2-bin locales tzdata python3 libfaketime "$@"
)
update_tries=3
update_pause_s=10
log=$(mktemp --tmpdir kestrum-apt.XXXXXX)
trap 'rm -f "$log"' EXIT

# Wine runs in a Japanese locale where one can be made.
ensure_japanese_locale() {
  locale -a 2>/dev/null | grep -qix 'ja_JP.utf8' && return 0
  [ -f /etc/locale.gen ] || return 0
  sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >>/etc/locale.gen
  locale-gen >/dev/null
}

missing_packages() {
  local p status
  for p in "$@"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || echo "$p"
  done
}

# A mirror caught mid-sync fails one index while the others are fine: retry, then go on with
# what could be read.
update_indexes() {
  local try
  for ((try = 1; try <= update_tries; try++)); do
    apt-get update -qq >"$log" 2>&1 && return 0
    [ "$try" -lt "$update_tries" ] && sleep "$update_pause_s"
  done
  echo "apt-get update failed $update_tries times ($(grep -m1 '^E:' "$log" || tail -n1 "$log")); going on with the indexes it read: the install decides."
}

apt_install() {
  apt-get install -y -qq --no-install-recommends "$@" >"$log" 2>&1
}

# The packages the named ones pull in, arch-qualified as apt-cache prints them, following
# only the first of each group of alternatives (the one apt's resolver tries first).
dependency_closure() {
  local -A seen=()
  local frontier=("$@") next=() p
  while [ ${#frontier[@]} -gt 0 ]; do
    for p in "${frontier[@]}"; do seen[$p]=1; done
    mapfile -t next < <(
      apt-cache depends --no-recommends --no-suggests --no-conflicts --no-breaks --no-replaces \
        --no-enhances "${frontier[@]}" 2>/dev/null | awk '
        /^[^ ]/ { alternative = 0; provider = 0; next }
        /^ [ |][A-Za-z]+: / {
          first = !alternative; alternative = (substr($0, 2, 1) == "|"); provider = 0
          if (!first) next
          if ($2 ~ /^</) provider = 1; else print $2
          next
        }
        /^    [^ ]/ { if (provider) { print $1; provider = 0 } }' | sort -u)
    frontier=()
    for p in "${next[@]}"; do [ -n "${seen[$p]:-}" ] || frontier+=("$p"); done
  done
  printf '%s\n' "${!seen[@]}"
}

# Of the given packages, those of architecture $1 that are Multi-Arch: same, without suffix.
multiarch_same() {
  local arch=$1
  shift
  apt-cache show --no-all-versions "$@" 2>/dev/null | awk -v arch="$arch" '
    /^Package: / { name = $2 } /^Architecture: / { a = $2 } /^Multi-Arch: / { ma = $2 }
    /^$/ { if (a == arch && ma == "same") print name; name = a = ma = "" }
    END { if (a == arch && ma == "same") print name }' | sort -u
}

# "name arch version" for every version the indexes offer of the given packages.
available_versions() {
  apt-cache madison "$@" 2>/dev/null | awk -F' *[|] *' '
    $3 ~ / Packages$/ { n = split($3, w, " "); name = $1; sub(/^ +/, "", name); sub(/:.*/, "", name)
                        print name, w[n - 1], $2 }'
}

# The plain install failed: apt's resolver does not move an installed amd64 library to the
# version its i386 twin has in the indexes, but a Multi-Arch: same pair must match. Name every
# such i386 package wine needs, each pinned with its amd64 twin to a version both architectures
# offer, in one install.
install_paired() {
  local native foreign=i386 closure name v inst chosen
  native=$(dpkg --print-architecture)
  mapfile -t closure < <(dependency_closure "$@")
  local -a same=() pins=()
  local -A in_closure=() versions=()
  for name in "${closure[@]}"; do in_closure[$name]=1; done
  mapfile -t same < <(multiarch_same "$foreign" $(printf '%s\n' "${closure[@]}" | grep ":$foreign\$"))
  [ ${#same[@]} -gt 0 ] || return 1
  local -a queries=()
  for name in "${same[@]}"; do queries+=("$name:$foreign" "$name:$native"); done
  while read -r name arch v; do
    versions["$name:$arch"]+="$v "
  done < <(available_versions "${queries[@]}")
  for name in "${same[@]}"; do
    inst=$(dpkg-query -W -f='${Status} ${Version}' "$name:$native" 2>/dev/null |
      awk '$3 == "installed" { print $4 }')
    if [ -z "$inst" ] && [ -z "${in_closure[$name]:-}${in_closure[$name:$native]:-}" ]; then
      pins+=("$name:$foreign")
      continue
    fi
    chosen=""
    if [ -n "$inst" ] && [[ " ${versions[$name:$foreign]:-} " == *" $inst "* ]]; then
      chosen=$inst
    else
      # The newest i386 version that amd64 also offers, never older than the installed one.
      for v in ${versions[$name:$foreign]:-}; do
        [[ " ${versions[$name:$native]:-} " == *" $v "* ]] || continue
        [ -z "$inst" ] || dpkg --compare-versions "$v" ge "$inst" || continue
        chosen=$v
        break
      done
    fi
    if [ -z "$chosen" ]; then
      echo "No version of $name is offered for both $native and $foreign:" \
        "$native ${inst:-not installed} (indexes: ${versions[$name:$native]:-none})," \
        "$foreign indexes: ${versions[$name:$foreign]:-none}. A Multi-Arch: same package needs" \
        "the same version on both; wait for the mirror to catch up or upgrade the $native one." >&2
      exit 1
    fi
    pins+=("$name:$foreign=$chosen")
    [ "$chosen" = "$inst" ] || pins+=("$name:$native=$chosen")
  done
  echo "Pairing ${#same[@]} Multi-Arch: same i386 packages with their amd64 twins."
  apt_install "$@" "${pins[@]}"
}

install_missing() {
  local -a missing still
  mapfile -t missing < <(missing_packages "$@")
  [ ${#missing[@]} -gt 0 ] || return 0
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  if [ -z "${indexes_updated:-}" ]; then
    update_indexes
    indexes_updated=1
  fi
  if ! apt_install "${missing[@]}"; then
    echo "The plain install failed ($(grep -m1 '^E:' "$log" || tail -n1 "$log")); pairing amd64 and i386 library versions."
    install_paired "${missing[@]}" || true
  fi
  mapfile -t still < <(missing_packages "$@")
  if [ ${#still[@]} -gt 0 ]; then
    echo "Could not install: ${still[*]}. apt-get said:" >&2
    tail -n 25 "$log" >&2
    exit 1
  fi
}

install_missing "${packages[@]}"
ensure_japanese_locale
