#!/usr/bin/env bash
# Makes sure the PE32 stage's VM image is in the cache, building it if not,
# and prints its folder last. Everything in it comes from Debian packages:
# the stock amd64 kernel (which runs 32-bit code, unlike this machine's), a
# busybox initramfs, and a root file system with 32-bit and 64-bit Wine and
# two baked pristine prefixes: a 32-bit one, and a 64-bit one where 32-bit
# programs run under WoW64. The cache key is a digest of the recipe, so a
# changed recipe builds a new image; a build goes to a ".partial" folder that
# is renamed only when complete.
#   vm-image.sh
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
wine_dir=$(cd "$here/../wine" && pwd)
cache=${XDG_CACHE_HOME:-$HOME/.cache}/qalm-pe32-vm
codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
# The guest's kernel drivers for its disk, root file system and shares, in load order.
modules=(virtio_pci virtio_blk crc32c_generic ext4 9p 9pnet_virtio)

recipe=("$here/vm-image.sh" "$here/vm-boot.sh" "$here"/guest/* "$wine_dir/wine-env.sh" "$wine_dir/make-pristine-prefix.sh")
key=$codename-$({ cat "${recipe[@]}"; echo "${modules[*]}"; } | sha256sum | cut -c1-16)
image=$cache/$key

as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)

mkdir -p "$cache"
exec 9>"$cache/lock"
flock 9
if [ -d "$image" ]; then
    echo "$image"
    exit 0
fi

started=$(date +%s)
step() { echo "vm-image: $* ($(($(date +%s) - started)) s)"; }
partial=$image.partial
"${as_root[@]}" rm -rf "$partial"
mkdir -p "$partial"
root=$partial/rootfs
mirror=$("$here/apt-mirror.sh" "$codename")

step "debootstrap $codename from $mirror"
if ! "${as_root[@]}" debootstrap --variant=minbase --arch=amd64 "$codename" "$root" "$mirror" \
        >"$partial/debootstrap.log" 2>&1; then
    tail -n 30 "$partial/debootstrap.log"
    [ -f "$root/debootstrap/debootstrap.log" ] && tail -n 30 "$root/debootstrap/debootstrap.log"
    echo "FAIL: debootstrap could not make the root file system"
    exit 1
fi

# dpkg reports the two libglib2.0-0:i386 maintainer scripts that run 32-bit
# programs as failed and carries on; the first boot runs them again.
step "32-bit and 64-bit Wine and the kernel package"
"${as_root[@]}" chroot "$root" sh -c '
    set -e
    dpkg --add-architecture i386
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends wine wine32:i386 wine64 || true
    dpkg -s wine32:i386 wine64 >/dev/null
    kernel=$(apt-cache depends linux-image-amd64 | awk "/Depends: linux-image-/ { print \$2; exit }")
    cd /tmp && apt-get download -qq "$kernel"
    apt-get clean
    rm -rf /var/lib/apt/lists/*
' >"$partial/install.log" 2>&1 || {
    tail -n 30 "$partial/install.log"
    echo "FAIL: could not install Wine or download the kernel into the root file system"
    exit 1
}

kernel=$partial/kernel
dpkg-deb -x "$root"/tmp/linux-image-*.deb "$kernel"
"${as_root[@]}" rm -f "$root"/tmp/*.deb
version=$(ls "$kernel/lib/modules")
step "kernel $version"
cp "$kernel/boot/vmlinuz-$version" "$partial/vmlinuz"
depmod -b "$kernel" "$version"

step "initramfs"
initramfs=$partial/initramfs
mkdir -p "$initramfs"/{bin,proc,sys,dev,root}
cp /bin/busybox "$initramfs/bin/busybox"
install -m 755 "$here/guest/initramfs-init" "$initramfs/init"
for module in "${modules[@]}"; do
    modprobe -d "$kernel" -S "$version" --show-depends "$module" | awk '$1 == "insmod" { print $2 }'
done | awk '!seen[$0]++' | while read -r file; do
    mkdir -p "$initramfs$(dirname "${file#"$kernel"}")"
    cp "$file" "$initramfs${file#"$kernel"}"
    echo "${file#"$kernel"}"
done >"$initramfs/modules"
(cd "$initramfs" && find . | cpio -o -H newc --quiet | gzip -9) >"$partial/initrd.img"
rm -rf "$kernel" "$initramfs"

step "disk image"
"${as_root[@]}" install -m 755 "$here/guest/qalm-guest-init" "$root/sbin/qalm-guest-init"
"${as_root[@]}" mke2fs -q -t ext4 -d "$root" "$partial/rootfs.ext4" 6G
"${as_root[@]}" chown "$(id -u):$(id -g)" "$partial/rootfs.ext4"
"${as_root[@]}" rm -rf "$root"

step "first boot: glib's schemas and modules, the pristine 32-bit and WoW64 prefixes"
bake=$partial/bake
mkdir -p "$bake"
cp "$here/guest/bake-job.sh" "$bake/job.sh"
echo "$wine_dir" >"$bake/wine-dir"
if ! "$here/vm-boot.sh" --keep-changes "$partial" "$bake" 1800 "$wine_dir"; then
    cat "$bake/job.log" 2>/dev/null || true
    echo "FAIL: the first boot of the image failed"
    exit 1
fi
rm -rf "$bake"

mv -T "$partial" "$image"
step "ready: $image"
# Images of older recipes are of no more use.
for old in "$cache"/*/; do
    old=${old%/}
    [ "$old" = "$image" ] || "${as_root[@]}" rm -rf "$old"
done
echo "$image"
