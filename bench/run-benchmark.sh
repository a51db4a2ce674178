#!/usr/bin/env bash
# Measures the preview on generated exports: a realistic machine of 250,000
# keys and 1,000,000 values in key order (as REGEDIT4 and in the UTF-16 form
# `reg export` writes), a wide machine with tens of thousands of siblings under
# a few keys in random order, one key with 200,000 subkeys and one with
# 100,000 values, both in random order. For each: the stages in one process,
# then `qalm-preview --after` as a user runs it (wall and processor time, peak
# memory), then, where Wine runs, `wine regedit /s` importing the same file.
#   bench/run-benchmark.sh                       builds with the native preset
#   BUILD_DIR=build/mine bench/run-benchmark.sh  uses a configured build folder
#   WINE_SECONDS=0 bench/run-benchmark.sh        skips Wine (default: at most 300 s a file)
#   RUNS=9 bench/run-benchmark.sh                runs the command 9 times a file (default 5)
#   OFFLINE=0 bench/run-benchmark.sh             skips the offline apply (its hive takes reged minutes)
# Last, the offline apply: the SOFTWARE part of a smaller realistic machine as
# a hive, the product's removal applied to it against a bare libhivex commit.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

build="${BUILD_DIR:-}"
if [ -z "$build" ]; then
    scripts/install-deps.sh native
    cmake --preset native >/dev/null
    cmake --build --preset native --target qalm-preview-bench qalm-preview qalm-offline-bench >/dev/null
    build=build/native
else
    cmake --build "$build" --target qalm-preview-bench qalm-preview qalm-offline-bench -j 2 >/dev/null
fi
bench="$build/qalm-preview-bench"
wine_seconds="${WINE_SECONDS:-300}"
runs="${RUNS:-5}"

work="$(mktemp -d)"
wineserver=""
cleanup() {
    if [ -n "$wineserver" ]; then WINEPREFIX="$work/wineprefix" "$wineserver" -k 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) processors"
"$bench" generate "$work/export.reg"
"$bench" generate "$work/export-unicode.reg" --unicode
"$bench" generate "$work/wide.reg" --shape wide
"$bench" generate "$work/subkeys.reg" --shape subkeys
"$bench" generate "$work/values.reg" --shape values
files="export.reg export-unicode.reg wide.reg subkeys.reg values.reg"

# Where Wine runs: a fresh prefix and a warm server, as a user's second call would find them.
wine=""
if [ "$wine_seconds" -gt 0 ]; then
    for candidate in wine64 /usr/lib/wine/wine64 wine; do
        if command -v "$candidate" >/dev/null 2>&1; then wine="$(command -v "$candidate")"; break; fi
    done
fi
wine_note=""
if [ "$wine_seconds" -le 0 ]; then
    wine_note="skipped (WINE_SECONDS=0)"
elif [ -z "$wine" ]; then
    wine_note="not installed"
else
    export WINEPREFIX="$work/wineprefix" WINEDEBUG=-all
    if ! failure="$(timeout 300 "$wine" wineboot -i 2>&1 >/dev/null)"; then
        wine_note="cannot run here ($(printf '%s' "$failure" | tail -n 1))"
        wine=""
    else
        for candidate in "$(dirname "$wine")/wineserver64" "$(dirname "$wine")/wineserver" wineserver; do
            if command -v "$candidate" >/dev/null 2>&1; then wineserver="$(command -v "$candidate")"; break; fi
        done
        "$wineserver" -p
        "$wine" cmd /c exit 0 >/dev/null 2>&1 || true
    fi
fi

for file in $files; do
    echo
    "$bench" measure "$work/$file"
    size=$(stat -c %s "$work/$file")
    # The command as a user runs it, from process start to exit, several times:
    # single runs on this virtual machine differ by a third or more.
    : >"$work/times"
    for _ in $(seq "$runs"); do
        /usr/bin/time -o "$work/time" -f "%e %U %S %M" "$build/qalm-preview" --after "$work/after.reg" "$work/$file" >/dev/null
        cat "$work/time" >>"$work/times"
    done
    read -r wall _ _ _ < <(sort -n "$work/times" | head -n 1)
    sort -k5,5n <(awk '{ print $1, $2, $3, $4, $2 + $3 }' "$work/times") | awk -v size="$size" -v wall="$wall" '
        { processor[NR] = $5; if ($4 > peak) peak = $4 }
        END {
            printf "command  %.2f s processor, least of %d runs (median %.2f); %.2f s wall at least; %.1f MB peak = %.2f x the file (qalm-preview --after)\n",
                processor[1], NR, processor[int((NR + 1) / 2)], wall, peak / 1024, peak * 1024 / size
        }'
    if [ -n "$wine" ]; then
        windows_path="Z:$(printf '%s' "$work/$file" | tr '/' '\\')"
        start=$(date +%s.%N)
        if timeout "$wine_seconds" "$wine" regedit /s "$windows_path"; then
            end=$(date +%s.%N)
            awk -v start="$start" -v end="$end" -v preview="$wall" 'BEGIN {
                printf "wine     regedit /s: %.1f s = %.0f x the command\n", end - start, (end - start) / preview
            }'
        else
            echo "wine     regedit /s: more than $wine_seconds s (stopped)"
        fi
    elif [ "$file" = "export.reg" ]; then
        echo "wine     $wine_note: no ratio"
    fi
done

if [ "${OFFLINE:-1}" != 0 ]; then
    echo
    "$build/qalm-offline-bench" generate "$work/SOFTWARE"
    "$build/qalm-offline-bench" measure "$work/SOFTWARE" --runs "$runs"
fi
