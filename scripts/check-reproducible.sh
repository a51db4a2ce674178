#!/usr/bin/env bash
# Builds the release twice, from copies of this work tree in two different
# temporary folders, and compares every shipped program and the archive
# byte for byte: nothing of the folder, the time or the compiler cache may
# get into them.
set -euo pipefail
cd "$(dirname "$0")/.."
version=$(sed -n 's/^project(qalm_uninstall VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
# Each build compiles everything itself.
export CCACHE_DISABLE=1
unset CMAKE_C_COMPILER_LAUNCHER CMAKE_CXX_COMPILER_LAUNCHER

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
trees=("$work/one/qalm" "$work/second/folder/qalm-uninstall-$version")
for tree in "${trees[@]}"; do
    mkdir -p "$tree"
    # The work tree as it is, changes not yet committed included.
    git ls-files -z --cached --others --exclude-standard |
        while IFS= read -r -d '' file; do [ -e "$file" ] && printf '%s\0' "$file"; done |
        tar --null -T - -cf - | tar -xf - -C "$tree"
    echo "building the release in $tree"
    "$tree/scripts/release.sh" >"$work/$(basename "$tree").log" 2>&1 ||
        { echo "FAIL: the release did not build in $tree:"; tail -n 30 "$work/$(basename "$tree").log"; exit 1; }
done

failures=0
for file in win32/qalm-uninstall.exe win32/qalm-check.exe win64/qalm-uninstall64.exe win64/qalm-check64.exe \
    "release/qalm-uninstall-$version-windows.zip"; do
    if cmp "${trees[0]}/build/$file" "${trees[1]}/build/$file"; then
        echo "same bytes: $file"
    else
        echo "FAIL: $file differs between the builds in ${trees[0]} and ${trees[1]}"
        failures=$((failures + 1))
    fi
done
[ "$failures" -eq 0 ] && echo "ok: two builds from different folders give the same programs and archive"
[ "$failures" -eq 0 ]
