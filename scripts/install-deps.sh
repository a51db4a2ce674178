#!/usr/bin/env bash
# Installs what the build needs on a Debian machine, and nothing that is already there.
#   install-deps.sh native   compiler, CMake, GoogleTest (enough for the preview)
#   install-deps.sh all      also mingw-w64 (32- and 64-bit), 64-bit Wine, clang for the fuzz
#                            target, clang-format, what reads the programs' resources and packs
#                            the release, and what builds and boots the PE32 stage's VM
set -euo pipefail
want=${1:-all}

packages=(cmake g++ make libgtest-dev)
if [ "$want" = all ]; then
    # libclang-rt-dev: the fuzzer runtime of whichever clang is Debian's default
    packages+=(g++-mingw-w64-i686 clang libclang-rt-dev clang-format)
    # The Wine suite runs the 64-bit build under 64-bit Wine: these machines
    # cannot execute 32-bit code, so 32-bit Wine (wine32:i386) would not start.
    packages+=(wine wine64 g++-mingw-w64-x86-64)
    # The shape check reads each program's manifest (wrestool) and parses it
    # (xmllint); the release is a zip archive, checked by unzip.
    packages+=(icoutils libxml2-utils zip unzip)
    # 32-bit Wine runs inside an emulated x86-64 VM (tests/pe32), built from
    # Debian packages: a root file system, an ext4 image of it, a busybox
    # initramfs with the kernel's modules.
    packages+=(qemu-system-x86 qemu-utils debootstrap e2fsprogs busybox-static kmod cpio)
fi

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
