#!/usr/bin/env bash
# Checks the shape of the Windows executable: a 32-bit PE, GUI subsystem (no
# console window ever opens) of version 4.0, which Windows 95 and NT 4 load,
# and exactly the listed imports from KERNEL32, ADVAPI32 and USER32: no C
# run-time DLL, and no setupapi.dll, which Windows 95 and NT 3.51 lack (the
# program loads it at run time).
#   check_executable.sh EXE gui|console IMPORTS [OBJDUMP]
# IMPORTS lists the allowed imports, one DLL!function a line, sorted as sort(1)
# sorts them in the C locale.
set -u
exe=$1
subsystem=$2
allowed_imports=$(cat "$3") || { echo "FAIL: cannot read the import list $3"; exit 1; }
objdump=${4:-i686-w64-mingw32-objdump}

if [ ! -f "$exe" ]; then
    echo "FAIL: $exe is not built (cmake --build --preset win32)"
    exit 1
fi

headers=$("$objdump" -p "$exe") || { echo "FAIL: $objdump cannot read $exe"; exit 1; }
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

grep -q 'file format pei-i386' <<<"$headers" || fail "not a PE32 image for i386"
grep -Eq '^Magic[[:space:]]+010b' <<<"$headers" || fail "optional header is not PE32"
case $subsystem in
    gui) subsystem_code=00000002 ;;
    console) subsystem_code=00000003 ;;
    *) echo "FAIL: subsystem must be gui or console, not $subsystem"; exit 1 ;;
esac
grep -Eq "^Subsystem[[:space:]]+$subsystem_code" <<<"$headers" || fail "subsystem is not $subsystem"
grep -Eq '^MajorSubsystemVersion[[:space:]]+4$' <<<"$headers" &&
    grep -Eq '^MinorSubsystemVersion[[:space:]]+0$' <<<"$headers" ||
    fail "subsystem version is not 4.0: $(grep -E '^M[a-z]+SubsystemVersion' <<<"$headers" | tr -s '\t\n' '  ')"

# Every line of a DLL's table names one import: "vma hint name", or an ordinal.
imports=$(awk '
    /^\tDLL Name: / { dll = $3; next }
    /^$/ { dll = "" }
    dll != "" && !/Hint\/Ord/ { $1 = ""; $2 = ""; sub(/^ +/, ""); print dll "!" $0 }
' <<<"$headers" | LC_ALL=C sort)
[ -n "$imports" ] || fail "no import table found"
unexpected=$(LC_ALL=C comm -13 <(echo "$allowed_imports") <(echo "$imports"))
missing=$(LC_ALL=C comm -23 <(echo "$allowed_imports") <(echo "$imports"))
[ -z "$unexpected" ] || fail "imports what the list does not allow: $(tr '\n' ' ' <<<"$unexpected")"
[ -z "$missing" ] || fail "no longer imports, so the list is out of date: $(tr '\n' ' ' <<<"$missing")"

[ "$failures" -eq 0 ] &&
    echo "ok: PE32 i386, $subsystem subsystem 4.0, imports exactly: $(tr '\n' ' ' <<<"$imports")"
[ "$failures" -eq 0 ]
