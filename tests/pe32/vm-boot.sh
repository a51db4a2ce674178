#!/usr/bin/env bash
# Boots the PE32 stage's VM once, fully emulated (no KVM here): the guest
# runs JOB/job.sh with JOB shared, writes JOB/job.log and JOB/job.status,
# and powers off. Each SHARE folder is shared read-only at its own path.
# The image is left as it was unless --keep-changes.
#   vm-boot.sh [--keep-changes] IMAGE_DIR JOB SECONDS [SHARE...]
# Exit status: the job's; 1 if the VM ended without writing it.
set -euo pipefail
snapshot=on
if [ "${1:-}" = --keep-changes ]; then
    snapshot=off
    shift
fi
image=$1
job=$(realpath "$2")
seconds=$3
shift 3

virtfs=(-virtfs "local,path=$job,mount_tag=job,security_model=none")
: >"$job/mounts"
index=0
for share in "$@"; do
    share=$(realpath "$share")
    index=$((index + 1))
    virtfs+=(-virtfs "local,path=$share,mount_tag=share$index,security_model=none,readonly=on")
    echo "share$index $share" >>"$job/mounts"
done
rm -f "$job/job.status" "$job/job.log"

# -cpu max without SMAP: with it, QEMU's emulation faults every return to
# 32-bit user code. One CPU is faster than two on a 2-core host. A crash
# stops qemu (-no-reboot, panic=-1) and the timeout bounds a hang.
started=$(date +%s)
timeout --kill-after=30 "$seconds" \
    qemu-system-x86_64 -accel tcg,thread=multi -cpu max,-smap -m 2048 -smp 1 \
    -nographic -no-reboot -nic none \
    -kernel "$image/vmlinuz" -initrd "$image/initrd.img" \
    -append "console=ttyS0 quiet panic=-1" \
    -drive "file=$image/rootfs.ext4,format=raw,if=virtio,cache=unsafe,snapshot=$snapshot" \
    "${virtfs[@]}" </dev/null >"$job/console.log" 2>&1 || qemu_status=$?
echo "vm: ${qemu_status:-0} from qemu after $(($(date +%s) - started)) s"

if [ ! -s "$job/job.status" ]; then
    [ "${qemu_status:-0}" -eq 124 ] && echo "FAIL: the VM did not finish within $seconds s"
    echo "FAIL: the VM ended without the job's exit code; its console ($job/console.log) ends:"
    tail -n 30 "$job/console.log"
    if [ -f "$job/job.log" ]; then
        echo "and the job's log ($job/job.log) ends:"
        tail -n 30 "$job/job.log"
    fi
    exit 1
fi
exit "$(cat "$job/job.status")"
