#!/usr/bin/env bash
# Checks the shape of the Windows executable: 32-bit PE, GUI subsystem (no
# console window ever opens), and imports from system DLLs only, so that it
# runs on a bare machine without any run-time DLLs of ours.
set -u
exe=$1
objdump=${2:-i686-w64-mingw32-objdump}

if [ ! -f "$exe" ]; then
    echo "SKIP: $exe is not built (cmake --build --preset win32)"
    exit 77
fi

headers=$("$objdump" -p "$exe") || { echo "FAIL: $objdump cannot read $exe"; exit 1; }
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

grep -q 'file format pei-i386' <<<"$headers" || fail "not a PE32 image for i386"
grep -Eq '^Magic[[:space:]]+010b' <<<"$headers" || fail "optional header is not PE32"
grep -Eq '^Subsystem[[:space:]]+00000002' <<<"$headers" || fail "subsystem is not Windows GUI"

allowed='^(KERNEL32|ADVAPI32|SETUPAPI|USER32|msvcrt)\.dll$'
imports=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")
while read -r dll; do
    [ -n "$dll" ] || continue
    grep -Eiq "$allowed" <<<"$dll" || fail "imports $dll, which is not a system DLL"
done <<<"$imports"
for needed in ADVAPI32 SETUPAPI USER32; do
    grep -iq "^$needed\.dll$" <<<"$imports" || fail "does not import $needed.dll"
done

[ "$failures" -eq 0 ] && echo "ok: PE32 i386, GUI subsystem, imports: $(tr '\n' ' ' <<<"$imports")"
[ "$failures" -eq 0 ]
