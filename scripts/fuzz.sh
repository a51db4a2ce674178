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

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
mkdir -p build/fuzz/artifacts

echo "fuzzing the .reg reader for ${seconds} s"
build/fuzz/qalm-reg-fuzzer "$scratch" fuzz/corpus \
    -dict=fuzz/reg.dict \
    -max_total_time="$seconds" \
    -timeout=10 \
    -rss_limit_mb=2048 \
    -artifact_prefix=build/fuzz/artifacts/ \
    -print_final_stats=1 2>&1 | grep -E '^(#[0-9]+ *DONE|INFO: Seed|stat::number_of_executed_units|==|SUMMARY|Done)|ERROR|crash|deadly' || true
exit "${PIPESTATUS[0]}"
