# Sourced by the scripts that run Windows programs: one Wine prefix per machine, made once and
# reused, quiet, with Wine's crash dialog off so a crashing program just fails. The prefix is a
# 64-bit one (wine64 wineboot) and serves both loaders: wine64 for PE32+ programs, wine (from
# Debian's wine32) for the PE32 product and its tests.
: "${KESTRUM_WINEPREFIX:=${XDG_CACHE_HOME:-$HOME/.cache}/kestrum/wine64}"
export WINEPREFIX="$KESTRUM_WINEPREFIX"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
KESTRUM_WINE=/usr/lib/wine/wine64
KESTRUM_WINE32=/usr/lib/wine/wine
KESTRUM_WINESERVER=/usr/lib/wine/wineserver
# A Japanese user's date and time formats, where the machine has the locale
# (tools/install-deps.sh makes it).
if locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'; then
  export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
fi

# kestrum_wine_for program.exe: prints the loader for the program, chosen by the machine field
# of its PE header (i386: the 32-bit loader; anything else, or no PE file: the 64-bit one).
kestrum_wine_for() {
  local header machine
  header=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ')
  machine=""
  [ -n "$header" ] && machine=$(od -An -tx2 -j$((header + 4)) -N2 "$1" 2>/dev/null | tr -d ' ')
  if [ "$machine" = "014c" ]; then
    echo "$KESTRUM_WINE32"
  else
    echo "$KESTRUM_WINE"
  fi
}
