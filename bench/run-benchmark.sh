#!/usr/bin/env bash
# Measures the preview on a generated export of 250,000 keys and 1,000,000
# values, as REGEDIT4 and in the UTF-16 form `reg export` writes: load, run,
# report, --after and peak memory; then, where Wine runs, `wine regedit /s`
# importing the same UTF-16 file, for the ratio.
#   bench/run-benchmark.sh                       builds with the native preset
#   BUILD_DIR=build/mine bench/run-benchmark.sh  uses a configured build folder
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

build="${BUILD_DIR:-}"
if [ -z "$build" ]; then
    scripts/install-deps.sh native
    cmake --preset native >/dev/null
    cmake --build --preset native --target qalm-preview-bench qalm-preview >/dev/null
    build=build/native
else
    cmake --build "$build" --target qalm-preview-bench qalm-preview -j 2 >/dev/null
fi

work="$(mktemp -d)"
wineserver=""
cleanup() {
    if [ -n "$wineserver" ]; then WINEPREFIX="$work/wineprefix" "$wineserver" -k 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

"$build/qalm-preview-bench" generate "$work/export.reg"
"$build/qalm-preview-bench" generate "$work/export-unicode.reg" --unicode

for file in export.reg export-unicode.reg; do
    echo
    "$build/qalm-preview-bench" measure "$work/$file" | tee "$work/$file.figures"
    # Where page faults are dear (virtual machines), huge pages for the heap save much of the load.
    GLIBC_TUNABLES=glibc.malloc.hugetlb=1 "$build/qalm-preview-bench" measure "$work/$file" |
        awk '/^total/ { sub(/^total +/, ""); print "hugetlb  " $0 "  (GLIBC_TUNABLES=glibc.malloc.hugetlb=1)" }'
    # The command as a user runs it, from process start to exit (GNU time, where installed).
    if [ -x /usr/bin/time ]; then
        /usr/bin/time -f "command  %e s wall, %M KB peak (qalm-preview --after, whole process)" \
            "$build/qalm-preview" --after "$work/after.reg" "$work/$file" >/dev/null
    fi
done

echo
wine=""
for candidate in wine64 /usr/lib/wine/wine64 wine; do
    if command -v "$candidate" >/dev/null 2>&1; then wine="$(command -v "$candidate")"; break; fi
done
if [ -z "$wine" ]; then
    echo "wine     not installed: no ratio"
    exit 0
fi
export WINEPREFIX="$work/wineprefix" WINEDEBUG=-all
if ! failure="$(timeout 300 "$wine" wineboot -i 2>&1 >/dev/null)"; then
    echo "wine     cannot run here ($(printf '%s' "$failure" | tail -n 1)): no ratio"
    exit 0
fi
for candidate in "$(dirname "$wine")/wineserver64" "$(dirname "$wine")/wineserver" wineserver; do
    if command -v "$candidate" >/dev/null 2>&1; then wineserver="$(command -v "$candidate")"; break; fi
done
# A warm server, as a user's second call would find it.
"$wineserver" -p
"$wine" cmd /c exit 0 >/dev/null 2>&1 || true

windows_path="Z:$(printf '%s' "$work/export-unicode.reg" | tr '/' '\\')"
start=$(date +%s.%N)
"$wine" regedit /s "$windows_path"
end=$(date +%s.%N)

preview=$(awk '/^total/ { print $2 }' "$work/export-unicode.reg.figures")
awk -v start="$start" -v end="$end" -v preview="$preview" 'BEGIN {
    wine = end - start
    printf "wine     regedit /s of the UTF-16 export: %.1f s = %.0f x the preview (%.2f s)\n", wine, wine / preview, preview
}'
