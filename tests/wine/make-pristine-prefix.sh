#!/usr/bin/env bash
# Makes the prefix that every scenario starts from (wineboot is slow, so
# this runs once per test run and the scenarios copy it), 64-bit unless
# WINEARCH=win32. With EXE, a missing program skips the suite.
#   make-pristine-prefix.sh DIR [EXE]
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"
prefix=$1
exe=${2:-}

if [ -n "$exe" ] && [ ! -f "$exe" ]; then
    echo "SKIP: $exe is not built (cmake --build --preset win64), so there is nothing to run"
    exit 77
fi

if ! wine_is_installed; then
    echo "FAIL: $WINELOADER is missing (scripts/install-deps.sh all installs wine64)"
    exit 1
fi

rm -rf "$prefix" "$prefix.tmp"
mkdir -p "$(dirname "$prefix")"
export WINEPREFIX=$prefix.tmp
wine wineboot -i
# A crash ends the process at once instead of starting the debugger.
wine reg add 'HKCU\Software\Wine\DllOverrides' /v winedbg.exe /d '' /f >/dev/null
wineserver -w
mv "$prefix.tmp" "$prefix"
echo "pristine prefix ready: $prefix"
