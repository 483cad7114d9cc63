#!/usr/bin/env bash
# Creates the project's Wine prefix once (wineboot, crash dialog off, Japanese font
# substitutes); later calls return at once. The 64-bit wineboot also fills the prefix's
# 32-bit system folder when Debian's wine32 is installed, so one prefix serves both loaders.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"

# Wine draws the caption buttons with the Marlett symbol font; Debian's fonts-wine has it, but
# the prefix does not look there, so the close box came out as a plain "r". A copy in the
# prefix's own font folder is found by every loader, also under the end-to-end overlay.
symbol_fonts=(/usr/share/wine/fonts/marlett.ttf)
install_symbol_fonts() {
  local fonts="$WINEPREFIX/drive_c/windows/Fonts" font
  [ -d "$fonts" ] || return 0
  for font in "${symbol_fonts[@]}"; do
    [ -f "$font" ] && [ ! -f "$fonts/$(basename "$font")" ] && cp "$font" "$fonts/"
  done
  return 0
}

stamp="$WINEPREFIX/.kestrum-prefix-v2"
if [ -f "$stamp" ]; then
  # A prefix made before wine32 was installed lacks the 32-bit system folder; an update adds it.
  if [ -x "$KESTRUM_WINE32" ] && [ ! -d "$WINEPREFIX/drive_c/windows/syswow64" ]; then
    echo "Adding the 32-bit system folder to the Wine prefix in $WINEPREFIX ..."
    "$KESTRUM_WINE" wineboot -u >/dev/null 2>&1 || true
    "$KESTRUM_WINESERVER" -w
  fi
  install_symbol_fonts
  exit 0
fi

winepath_of() { echo "Z:${1//\//\\}"; }

mkdir -p "$WINEPREFIX"
echo "Creating the Wine prefix in $WINEPREFIX ..."
"$KESTRUM_WINE" wineboot -i >/dev/null 2>&1 || true
"$KESTRUM_WINESERVER" -w
# Settings: no crash dialog, a Wine-drawn desktop (window frames without a window manager),
# and Debian's IPA fonts standing in for the Japanese Windows fonts. regedit wants UTF-16.
reg=$(mktemp --suffix=.reg)
{ printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE "$here/wine-prefix.reg.txt"; } >"$reg"
"$KESTRUM_WINE" regedit /S "$(winepath_of "$reg")" >/dev/null 2>&1
rm -f "$reg"
"$KESTRUM_WINESERVER" -w
install_symbol_fonts
touch "$stamp"
