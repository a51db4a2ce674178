#!/usr/bin/env bash
# Checks a release archive (by default the one scripts/release.sh writes):
# exactly the four programs, README.txt and SHA256SUMS, in sorted order;
# every checksum in SHA256SUMS matches and names each other file once;
# README.txt has CRLF line ends and this version; the programs are the
# ones the win32 and win64 presets built.
#   check-release.sh [ARCHIVE]
set -uo pipefail
cd "$(dirname "$0")/.."
version=$(sed -n 's/^project(qalm_uninstall VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
archive=${1:-build/release/qalm-uninstall-$version-windows.zip}
[ -f "$archive" ] || { echo "FAIL: $archive is missing (scripts/release.sh makes it)"; exit 1; }

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

expected="README.txt
SHA256SUMS
qalm-check.exe
qalm-check64.exe
qalm-uninstall.exe
qalm-uninstall64.exe"
names=$(unzip -Z1 "$archive") || { echo "FAIL: unzip cannot list $archive"; exit 1; }
[ "$names" = "$expected" ] || fail "the archive holds [$(tr '\n' ' ' <<<"$names")], not [$(tr '\n' ' ' <<<"$expected")]"
unzip -q "$archive" -d "$work" || fail "unzip cannot extract $archive"

summed=$(cd "$work" && sha256sum --check --strict SHA256SUMS 2>&1) || fail "SHA256SUMS does not match: $summed"
[ "$(awk '{ print $2 }' "$work/SHA256SUMS" 2>/dev/null)" = "$(grep -v '^SHA256SUMS$' <<<"$expected")" ] ||
    fail "SHA256SUMS does not name each other file once, in order: $(cat "$work/SHA256SUMS")"

readme=$work/README.txt
if [ -s "$readme" ]; then
    bare_lf=$(tr -d '\r' <"$readme" | wc -l)
    crlf=$(grep -c $'\r$' "$readme")
    [ "$bare_lf" -eq "$crlf" ] && [ "$(tail -c 2 "$readme" | od -An -c | tr -d ' ')" = '\r\n' ] ||
        fail "README.txt does not end every line with CRLF ($crlf of $bare_lf lines do)"
    grep -q "^qalm-uninstall $version for Windows"$'\r$' "$readme" || fail "README.txt does not name version $version"
    ! grep -q '@[A-Z_]*@' "$readme" || fail "README.txt still holds a placeholder: $(grep -o '@[A-Z_]*@' "$readme" | head -n 1)"
else
    fail "README.txt is missing or empty"
fi

for built in build/win32/qalm-uninstall.exe build/win32/qalm-check.exe \
    build/win64/qalm-uninstall64.exe build/win64/qalm-check64.exe; do
    cmp -s "$built" "$work/$(basename "$built")" || fail "$(basename "$built") is not the one in $(dirname "$built")"
done

[ "$failures" -eq 0 ] && echo "ok: $archive holds $(tr '\n' ' ' <<<"$names")with matching checksums"
[ "$failures" -eq 0 ]
