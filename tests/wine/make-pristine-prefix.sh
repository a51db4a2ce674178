#!/usr/bin/env bash
# Makes the prefix that every scenario starts from (wineboot is slow, so
# this runs once per test run and the scenarios copy it), 64-bit unless
# WINEARCH=win32. With EXE, a missing program fails the suite: a stage
# never passes without having run.
#   make-pristine-prefix.sh DIR [EXE]
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"
prefix=$1
exe=${2:-}

if [ -n "$exe" ] && [ ! -f "$exe" ]; then
    echo "FAIL: $exe is not built (cmake --build --preset win64), so there is nothing to run"
    exit 1
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
# No device drivers load in the copies. Whenever Wine loads one, its device
# manager enumerates every root-enumerated device and writes "Class" and
# "ClassGUID" into each instance key it finds: a scenario's imported device
# would gain values on the machine under test, or a removed one be written
# again, as soon as a driver load came after the import. Under load they do:
# the bus drivers' devices arrive in the background, and a driver whose start
# outlasts the service manager's 10 seconds goes on loading after start-up
# is over. The auto-start drivers are set to start on demand, and the root
# devices that make the service manager start the bus drivers go.
for driver in MountMgr NDIS nsiproxy; do
    wine reg add "HKLM\\System\\CurrentControlSet\\Services\\$driver" /v Start /t REG_DWORD /d 3 /f >/dev/null
done
wine reg delete 'HKLM\System\CurrentControlSet\Enum\ROOT\WINE' /f >/dev/null
wineserver -w
mv "$prefix.tmp" "$prefix"
echo "pristine prefix ready: $prefix"
