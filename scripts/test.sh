#!/usr/bin/env bash
# The project's tests.
#   test.sh         everything, as CI runs it: builds every preset and runs
#                   every suite: the stand-in and program suites natively and
#                   under the sanitizers, the shape of the Windows programs,
#                   the Windows program under Wine (its 64-bit build here,
#                   and the shipped 32-bit one under 32-bit Wine inside an
#                   emulated VM, since these machines run no 32-bit code),
#                   the release archive and two builds of it compared byte
#                   for byte, and a bounded fuzz run of the .reg reader
#   test.sh quick   the native build and every suite that needs neither the
#                   Windows builds, nor Wine, nor the VM: a minute or two
set -euo pipefail
cd "$(dirname "$0")/.."

case ${1:-all} in
    quick)
        scripts/install-deps.sh native
        cmake --preset native >/dev/null
        cmake --build --preset native
        ctest --preset quick
        exit
        ;;
    all) ;;
    *) echo "usage: scripts/test.sh [quick]" >&2; exit 2 ;;
esac

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
scripts/release.sh
scripts/check-release.sh
scripts/check-reproducible.sh
scripts/fuzz.sh
