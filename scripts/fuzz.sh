#!/usr/bin/env bash
# Builds the libFuzzer target of the .reg reader (preset "fuzz") and runs it
# for a bounded time from the committed seeds. Inputs it finds go to a
# scratch folder; a crash leaves its input in build/fuzz/artifacts/.
#   scripts/fuzz.sh [SECONDS]    (default 60)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-60}"

cd "$root"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target qalm-reg-fuzzer >/dev/null

scratch="$(mktemp -d)"  # new inputs and the log; the committed seeds stay as they are
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/found"
mkdir -p build/fuzz/artifacts

echo "fuzzing the .reg reader for ${seconds} s"
status=0
# Seeds from fuzz/corpus and the preview's sample; new inputs go to the first folder only.
build/fuzz/qalm-reg-fuzzer "$scratch/found" fuzz/corpus preview/sample \
    -dict=fuzz/reg.dict \
    -max_total_time="$seconds" \
    -timeout=10 \
    -rss_limit_mb=2048 \
    -artifact_prefix=build/fuzz/artifacts/ \
    -print_final_stats=1 >"$scratch/log" 2>&1 || status=$?
if [ "$status" -ne 0 ]; then
    tail -n 60 "$scratch/log"
    echo "the fuzz target failed; the input is in build/fuzz/artifacts/"
else
    grep -E '^Done|^stat::number_of_executed_units' "$scratch/log"
fi
exit "$status"
