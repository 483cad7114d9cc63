# Sourced by the scripts that run Windows programs: one Wine prefix per machine, made once and
# reused, 64-bit only, quiet, with Wine's crash dialog off so a crashing program just fails.
: "${KESTRUM_WINEPREFIX:=${XDG_CACHE_HOME:-$HOME/.cache}/kestrum/wine64}"
export WINEPREFIX="$KESTRUM_WINEPREFIX"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
KESTRUM_WINE=/usr/lib/wine/wine64
KESTRUM_WINESERVER=/usr/lib/wine/wineserver
# A Japanese user's date and time formats, where the machine has the locale
# (tools/install-deps.sh makes it).
if locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'; then
  export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
fi
