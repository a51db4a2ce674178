#!/usr/bin/env bash
# Builds every preset and runs every test: the stand-in and program suites
# natively and under the sanitizers, the Windows executable under Wine (its
# 64-bit build here, and the shipped 32-bit one under 32-bit Wine inside an
# emulated VM, since these machines run no 32-bit code), and a bounded fuzz
# run of the .reg reader.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh all
scripts/check-format.sh

for preset in native asan win32 win64 fuzz; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
done

ctest --preset native
ctest --preset asan
# The first run on a machine builds the VM image (minutes), later ones reuse it.
ctest --preset pe32
scripts/fuzz.sh
