#!/usr/bin/env bash
# Makes the release archive, building the programs of the win32 and win64
# presets first:
#   build/release/qalm-uninstall-VERSION-windows.zip
# with the four Windows programs, README.txt for administrators (from
# release/README.txt, with CRLF line ends) and SHA256SUMS. The same commit
# gives the same archive, byte for byte: every entry is dated at the
# commit's time (or SOURCE_DATE_EPOCH, where there is no git), in UTC, with
# one mode, in sorted order, and without zip's extra fields.
set -euo pipefail
cd "$(dirname "$0")/.."

version=$(sed -n 's/^project(qalm_uninstall VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "release.sh: no project version in CMakeLists.txt" >&2; exit 1; }
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null) ||
        { echo "release.sh: not a git work tree: set SOURCE_DATE_EPOCH to the sources' time" >&2; exit 1; }
fi

cmake --preset win32 >/dev/null
cmake --build --preset win32 --target qalm-uninstall qalm-check
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target qalm-uninstall64 qalm-check64

release=build/release
archive=$release/qalm-uninstall-$version-windows.zip
stage=$release/stage
rm -rf "$stage" "$archive" "$archive.tmp"
mkdir -p "$stage"
cp build/win32/qalm-uninstall.exe build/win32/qalm-check.exe \
    build/win64/qalm-uninstall64.exe build/win64/qalm-check64.exe "$stage/"
sed -e "s/@VERSION@/$version/g" -e 's/$/\r/' release/README.txt >"$stage/README.txt"
(cd "$stage" && LC_ALL=C ls | grep -v '^SHA256SUMS$' | xargs sha256sum >SHA256SUMS)

chmod 0644 "$stage"/*
touch -d "@$SOURCE_DATE_EPOCH" "$stage"/*
# zip writes local time into its entries: UTC makes it the same everywhere.
(cd "$stage" && LC_ALL=C ls | TZ=UTC zip -X -D -q -9 -@ "../$(basename "$archive").tmp")
mv "$archive.tmp" "$archive"
rm -rf "$stage"

echo "release: $archive"
sha256sum "$archive"
