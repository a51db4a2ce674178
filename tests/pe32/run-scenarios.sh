#!/usr/bin/env bash
# Runs every scenario of the Wine suite's lists on the 32-bit executable, in
# one boot of the VM (see vm-image.sh), through the suite's own
# run-scenario.sh: those of LIST under 32-bit Wine, those of WOW64_LIST under
# WoW64 with the 64-bit build's twin and helpers (from DIR64). Each
# scenario's log, exit status and time land in JOB/results, for
# scenario-result.sh; this fails only when the VM does not bring back a
# result for every scenario.
#   run-scenarios.sh --exe EXE --tools DIR --win64 DIR64 --preview TOOL
#                    --scenarios LIST --wow64-scenarios WOW64_LIST --job DIR --seconds N
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
wine_dir=$(cd "$here/../wine" && pwd)

while [ $# -gt 0 ]; do
    case $1 in
        --exe) exe=$2 ;;
        --tools) tools=$2 ;;
        --win64) win64=$2 ;;
        --wow64-scenarios) wow64_scenarios=$2 ;;
        --preview) preview=$2 ;;
        --scenarios) scenarios=$2 ;;
        --job) job=$2 ;;
        --seconds) seconds=$2 ;;
        *) echo "run-scenarios.sh: unknown argument $1"; exit 2 ;;
    esac
    shift 2
done
for required in exe tools win64 preview scenarios wow64_scenarios job seconds; do
    [ -n "${!required:-}" ] || { echo "run-scenarios.sh: --${required//_/-} is missing"; exit 2; }
done

check=$(dirname "$exe")/qalm-check.exe
helpers=(machine-state.exe deny-key-access.exe volatile-keys.exe)
for needed in "$exe" "$check" "${helpers[@]/#/$tools/}" "$win64/qalm-uninstall64.exe" "${helpers[@]/#/$win64/}" \
    "$preview" "$scenarios" "$wow64_scenarios"; do
    [ -f "$needed" ] || { echo "FAIL: $needed is missing (scripts/test.sh builds the win32, win64 and native presets)"; exit 1; }
done
[ -s "$scenarios" ] || { echo "FAIL: $scenarios lists no scenario"; exit 1; }

image=$("$here/vm-image.sh" | tail -n 1)

rm -rf "$job"
mkdir -p "$job/bin" "$job/bin64" "$job/results"
cp "$exe" "$check" "${helpers[@]/#/$tools/}" "$preview" "$job/bin/"
cp "$win64/qalm-uninstall64.exe" "${helpers[@]/#/$win64/}" "$job/bin64/"
cp "$scenarios" "$job/scenarios.tsv"
cp "$wow64_scenarios" "$job/wow64-scenarios.tsv"
cp "$here/scenarios-job.sh" "$job/job.sh"
echo "$wine_dir" >"$job/wine-dir"

if ! "$here/vm-boot.sh" "$image" "$job" "$seconds" "$wine_dir"; then
    echo "FAIL: the job in the VM failed; its log ($job/job.log):"
    cat "$job/job.log" 2>/dev/null || true
    exit 1
fi

missing=0
total=0
while IFS=$'\t' read -r name _; do
    result=$job/results/$name
    if [ -f "$result.status" ]; then
        seconds_taken=$(cat "$result.seconds")
        total=$((total + seconds_taken))
        printf '%-64s %s  %4s s\n' "$name" "$([ "$(cat "$result.status")" = 0 ] && echo ok || echo FAILED)" "$seconds_taken"
    else
        printf '%-64s %s\n' "$name" "NO RESULT"
        missing=$((missing + 1))
    fi
done < <(cat "$scenarios" "$wow64_scenarios")
echo "the guest reached its job $(cat "$job/results/boot.seconds") s after it started; the scenarios took $total s"
if [ "$missing" -gt 0 ]; then
    echo "FAIL: $missing scenario(s) have no result from the VM"
    exit 1
fi
