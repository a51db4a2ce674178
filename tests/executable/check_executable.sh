#!/usr/bin/env bash
# Checks the shape of a shipped Windows program:
# - the image: PE32 for i386 with subsystem version 4.0, which Windows 95 and
#   NT 4 load; or PE32+ for x86-64 with 5.2, which 64-bit XP and Server 2003
#   (NT 5.2) load;
# - the subsystem: gui (no console window ever opens) or console;
# - exactly the listed imports: no C run-time DLL, and no setupapi.dll, which
#   Windows 95 and NT 3.51 lack (the program loads it at run time);
# - its manifest, resource type 24 id 1 alone: well-formed XML in the
#   assembly's own namespace (Windows XP refuses it otherwise), asInvoker
#   without uiAccess (so Windows Vista and later never ask for elevation), and
#   on trustInfo exactly one namespace declaration, for asm.v3, with none
#   below it (Windows XP SP2 and Server 2003 before SP1 fault in csrss on a
#   second one);
# - its version resource: the project's version, in numbers and as text, the
#   file's own name, a description and a product name, and no vendor.
#   check_executable.sh EXE pe32|pe32+ gui|console IMPORTS VERSION
# IMPORTS lists the allowed imports, one DLL!function a line, sorted as sort(1)
# sorts them in the C locale. VERSION is the project's, as CMake writes it.
set -u
exe=$1
format=$2
subsystem=$3
allowed_imports=$(cat "$4") || { echo "FAIL: cannot read the import list $4"; exit 1; }
version=$5

case $format in
    pe32) toolchain=i686-w64-mingw32 bfd=pei-i386 magic=010b subsystem_version=4.0 ;;
    pe32+) toolchain=x86_64-w64-mingw32 bfd=pei-x86-64 magic=020b subsystem_version=5.2 ;;
    *) echo "FAIL: the format must be pe32 or pe32+, not $format"; exit 1 ;;
esac
case $subsystem in
    gui) subsystem_code=00000002 ;;
    console) subsystem_code=00000003 ;;
    *) echo "FAIL: subsystem must be gui or console, not $subsystem"; exit 1 ;;
esac
for tool in "$toolchain-objdump" "$toolchain-windres" wrestool xmllint; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing (scripts/install-deps.sh all installs it)"; exit 1; }
done
if [ ! -f "$exe" ]; then
    echo "FAIL: $exe is not built (cmake --build --preset win32, and --preset win64)"
    exit 1
fi

headers=$("$toolchain-objdump" -p "$exe") || { echo "FAIL: $toolchain-objdump cannot read $exe"; exit 1; }
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

grep -q "file format $bfd\$" <<<"$headers" || fail "not a $bfd image: $(grep -o 'file format .*' <<<"$headers")"
grep -Eq "^Magic[[:space:]]+$magic" <<<"$headers" || fail "optional header is not $format"
grep -Eq "^Subsystem[[:space:]]+$subsystem_code" <<<"$headers" || fail "subsystem is not $subsystem"
grep -Eq "^MajorSubsystemVersion[[:space:]]+${subsystem_version%.*}\$" <<<"$headers" &&
    grep -Eq "^MinorSubsystemVersion[[:space:]]+${subsystem_version#*.}\$" <<<"$headers" ||
    fail "subsystem version is not $subsystem_version: $(grep -E '^M[a-z]+SubsystemVersion' <<<"$headers" | tr -s '\t\n' '  ')"

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

# The manifest, as the loader finds it.
manifests=$(wrestool --list --type=24 "$exe" 2>&1)
[ "$(grep -c . <<<"$manifests")" -eq 1 ] && grep -q -- '--name=1 ' <<<"$manifests" ||
    fail "not one manifest resource of id 1: [$manifests]"
xml_query() { xmllint --xpath "$1" - <<<"$manifest" 2>/dev/null; }
if manifest=$(wrestool --extract --raw --type=24 --name=1 "$exe") && [ -n "$manifest" ]; then
    if xmllint --noout - <<<"$manifest" 2>/dev/null; then
        [ "$(xml_query "namespace-uri(/*)")" = urn:schemas-microsoft-com:asm.v1 ] &&
            [ "$(xml_query "local-name(/*)")" = assembly ] &&
            [ "$(xml_query "string(/*/@manifestVersion)")" = 1.0 ] ||
            fail "the manifest's root is not an assembly of manifestVersion 1.0 in urn:schemas-microsoft-com:asm.v1"
        level="//*[local-name()='requestedExecutionLevel' and namespace-uri()='urn:schemas-microsoft-com:asm.v3']"
        [ "$(xml_query "count($level)")" = 1 ] &&
            [ "$(xml_query "string($level/@level)")" = asInvoker ] &&
            [ "$(xml_query "string($level/@uiAccess)")" = false ] ||
            fail "the manifest does not request asInvoker without uiAccess, once, in asm.v3"
        # The declarations as they are written, which the parsed tree does not keep apart.
        trust_info=$(xml_query "//*[local-name()='trustInfo']")
        declarations=$(grep -Eo 'xmlns(:[A-Za-z0-9_.-]+)?="[^"]*"' <<<"$trust_info")
        [ "$(xml_query "count(//*[local-name()='trustInfo'])")" = 1 ] &&
            [ "$declarations" = 'xmlns="urn:schemas-microsoft-com:asm.v3"' ] &&
            grep -Eq '^<trustInfo xmlns="urn:schemas-microsoft-com:asm.v3">' <<<"$trust_info" ||
            fail "trustInfo is not one element declaring its namespace once and alone:" \
                "$(tr '\n' ' ' <<<"$declarations")"
    else
        fail "the manifest is not well-formed XML: $(xmllint --noout - <<<"$manifest" 2>&1 | head -n 1)"
    fi
else
    fail "no manifest (resource type 24, id 1)"
fi

# The version resource, as windres decompiles it.
resources=$("$toolchain-windres" --input "$exe" --output-format rc 2>&1) ||
    fail "$toolchain-windres cannot read the resources: $resources"
name=$(basename "$exe")
IFS=. read -r major minor patch tweak <<<"$version"
field() { sed -n "s/^ *VALUE \"$1\", \"\\(.*\\)\"\$/\\1/p" <<<"$resources"; }
for numbers in FILEVERSION PRODUCTVERSION; do
    grep -Eq "^ *$numbers $major, $minor, ${patch:-0}, ${tweak:-0}\$" <<<"$resources" ||
        fail "$numbers is not $version: $(grep -E "^ *$numbers " <<<"$resources")"
done
[ "$(field FileVersion)" = "$version" ] || fail "FileVersion is [$(field FileVersion)], not $version"
[ "$(field ProductVersion)" = "$version" ] || fail "ProductVersion is [$(field ProductVersion)], not $version"
[ "$(field OriginalFilename)" = "$name" ] || fail "OriginalFilename is [$(field OriginalFilename)], not $name"
[ "$(field InternalName)" = "${name%.exe}" ] || fail "InternalName is [$(field InternalName)], not ${name%.exe}"
[ -n "$(field FileDescription)" ] || fail "no FileDescription"
[ -n "$(field ProductName)" ] || fail "no ProductName"
! grep -q '^ *VALUE "CompanyName"' <<<"$resources" || fail "names a vendor: CompanyName [$(field CompanyName)]"

[ "$failures" -eq 0 ] &&
    echo "ok: $format $bfd, $subsystem subsystem $subsystem_version, asInvoker manifest, version $version," \
        "imports exactly: $(tr '\n' ' ' <<<"$imports")"
[ "$failures" -eq 0 ]
