# Sourced by the suite's scripts: which Wine runs the program, and how quietly.
# 64-bit Wine unless WINEARCH=win32 (the PE32 stage, inside its VM). The
# loader is named directly: Debian's "wine" wrapper prefers the 32-bit one
# whenever it is installed, and this kind of machine cannot run it.
# shellcheck shell=bash

WINEARCH=${WINEARCH:-win64}
if [ "$WINEARCH" = win32 ]; then
    WINELOADER=${WINELOADER:-/usr/lib/wine/wine}
    WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver32}
else
    WINELOADER=${WINELOADER:-/usr/lib/wine/wine64}
    WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver64}
fi
WINEDEBUG=-all
# No desktop menu entries, no offer to install Mono or Gecko.
WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
export WINEARCH WINELOADER WINESERVER WINEDEBUG WINEDLLOVERRIDES

# Every Wine process starts with the same address layout (setarch -R, which
# its children inherit). Debian's Wine has no preloader, so with the
# kernel's randomisation the loader's heap lands anywhere in a gigabyte and,
# about once in 1500 starts, where the process needs the shared user data
# (0x7ffe0000): it does not start ("failed to map the shared user data";
# regedit then falls back to start.exe, "ShellExecuteEx failed").
wine() { setarch -R "$WINELOADER" "$@"; }
wineserver() { "$WINESERVER" "$@"; }

wine_is_installed() { [ -x "$WINELOADER" ] && [ -x "$WINESERVER" ]; }
