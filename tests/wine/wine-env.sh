# Sourced by the suite's scripts: which Wine runs the program, and how quietly.
# The 64-bit loader is named directly: Debian's "wine" wrapper prefers the
# 32-bit one whenever it is installed, and this kind of machine cannot run it.
# shellcheck shell=bash

WINELOADER=${WINELOADER:-/usr/lib/wine/wine64}
WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver64}
WINEDEBUG=-all
# No desktop menu entries, no offer to install Mono or Gecko.
WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
export WINELOADER WINESERVER WINEDEBUG WINEDLLOVERRIDES

wine() { "$WINELOADER" "$@"; }
wineserver() { "$WINESERVER" "$@"; }

wine_is_installed() { [ -x "$WINELOADER" ] && [ -x "$WINESERVER" ]; }
