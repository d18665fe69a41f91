#!/usr/bin/env bash
# Runs the x86 Windows tests (build/win32, already built) in a fully emulated
# x86-64 machine whose own kernel runs 32-bit Wine, for hosts that cannot run
# 32-bit programs. Run as root.
#
#   test-x86-vm.sh [REGEX]
#   test-x86-vm.sh --image-only
#
# REGEX (no blanks) runs only the matching tests, as ctest -R does.
# --image-only builds (or finds) the cached guest image and stops: the test
# command starts it early, beside the host's own builds.
#
# The guest's system disk is built once by scripts/x86vm-image.sh (Debian 12
# from this machine's Debian mirror, through apt only) and cached under
# build/x86vm/, keyed by a hash of that recipe and the apt sources. Each run
# copies the tree with its win32 build onto a second disk, mounted in the guest
# at the tree's own path, boots the guest (qemu TCG, 2 vCPUs), and reads the
# CTest output back from that disk. Prints the guest's console as it goes and
# exits with CTest's status.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

say() { echo "x86vm: $*"; }
fail() {
    echo "x86vm: $*" >&2
    exit 1
}
image_only=0
tests=""
if [[ "${1:-}" == --image-only ]]; then
    image_only=1
else
    tests="${1:-}"
fi
[[ "$tests" != *[[:space:]]* ]] || fail "the test pattern may hold no blanks"
[[ $(id -u) -eq 0 ]] || fail "needs root (debootstrap, chroot, mkfs)"
[[ $image_only -eq 1 || -f build/win32/CTestTestfile.cmake ]] || fail "build build/win32 first"
for tool in qemu-system-x86_64 debootstrap mkfs.ext4 e2fsck debugfs; do
    command -v "$tool" >/dev/null || fail "$tool missing (scripts/setup.sh installs it)"
done

# The whole guest run, boot to power-off; the suite itself takes about 20 min
# on an idle host, much longer on a busy one.
guest_limit_s=${TARN_X86VM_LIMIT_S:-5400}
cache="$root/build/x86vm"
run="$cache/run"
mkdir -p "$cache"

qemu_pid=""
tail_pid=""
cleanup() {
    local rc=$?
    if [[ -n "$qemu_pid" ]] && kill -0 "$qemu_pid" 2>/dev/null; then
        kill "$qemu_pid" 2>/dev/null || true
        wait "$qemu_pid" 2>/dev/null || true
    fi
    if [[ -n "$tail_pid" ]]; then
        kill "$tail_pid" 2>/dev/null || true
        wait "$tail_pid" 2>/dev/null || true
    fi
    rm -rf "$run/stage" "$run/data.img"
    exit $rc
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# 1. The system disk, built when its recipe changed.
recipe_hash=$(cat scripts/x86vm-image.sh /etc/apt/sources.list.d/debian.sources | sha256sum | cut -c1-16)
image="$cache/image-$recipe_hash"
(
    flock 9
    if [[ ! -f "$image/complete" ]]; then
        # A build that was killed may have left /proc, /sys or /dev bound
        # inside its root: unmount them before anything there is removed.
        { grep -o " $cache/image-[^ ]*" /proc/mounts || true; } | sort -r | xargs -r -n1 umount -l
        find "$cache" -maxdepth 1 -name 'image-*' ! -name "image-$recipe_hash" \
            -exec rm -rf --one-file-system {} +
        say "building the guest image (once; cached in $image)"
        start=$(date +%s)
        rm -rf --one-file-system "$image"
        mkdir -p "$image"
        scripts/x86vm-image.sh "$image" "$cache/debs"
        touch "$image/complete"
        say "guest image built in $(($(date +%s) - start)) s"
    else
        say "guest image cached in $image"
    fi
) 9>"$cache/image.lock"

[[ $image_only -eq 0 ]] || exit 0

# 2. The tree's disk: sources and the win32 build (without its Wine prefix,
# which must be made by the guest's 32-bit-capable Wine).
say "copying the tree and build/win32 onto the tree's disk"
rm -rf "$run"
mkdir -p "$run/stage/build"
tar -C "$root" --exclude=./build --exclude=./.git -cf - . | tar -C "$run/stage" -xf -
tar -C "$root/build" --exclude=./win32/wineprefix --exclude='./win32/wineprefix.lock' \
    --exclude=./win32/Testing -cf - win32 | tar -C "$run/stage/build" -xf -
size_mb=$(($(du -sm "$run/stage" | cut -f1) + 4096))
mkfs.ext4 -q -F -L x86vm-tree -d "$run/stage" "$run/data.img" "${size_mb}M"
rm -rf "$run/stage"

# 3. Boot; the guest's init runs scripts/x86vm-guest.sh from the tree's disk
# and powers off.
# Two vCPUs, each its own host thread: a test, the program it drives and
# wineserver run side by side.
cpus=${TARN_X86VM_CPUS:-2}
say "booting the guest (qemu TCG, $cpus vCPUs, 6 GiB; console in $run/console.log)"
start=$(date +%s)
: >"$run/console.log"
qemu-system-x86_64 -accel tcg,thread=multi -smp "$cpus" -m 6G -nodefaults -display none -no-reboot -nic none \
    -kernel "$image/vmlinuz" -initrd "$image/initrd.img" \
    -append "root=/dev/vda rw console=ttyS0 quiet panic=10 init=/sbin/tarn-init tarn_tree=$root${tests:+ tarn_tests=$tests}" \
    -drive "file=$image/root.img,if=virtio,format=raw,snapshot=on" \
    -drive "file=$run/data.img,if=virtio,format=raw" \
    -serial "file:$run/console.log" &
qemu_pid=$!
tail -n +1 -F "$run/console.log" 2>/dev/null &
tail_pid=$!
while kill -0 "$qemu_pid" 2>/dev/null; do
    if (($(date +%s) - start > guest_limit_s)); then
        say "the guest did not finish within $guest_limit_s s; stopping it"
        break
    fi
    sleep 5
done
kill "$qemu_pid" 2>/dev/null || true
wait "$qemu_pid" 2>/dev/null || true
qemu_pid=""
sleep 1 # the last console lines
kill "$tail_pid" 2>/dev/null || true
wait "$tail_pid" 2>/dev/null || true
tail_pid=""
say "guest ran for $(($(date +%s) - start)) s"

# 4. The results, read without mounting (the guest may not have unmounted).
e2fsck -fy "$run/data.img" >/dev/null 2>&1 || (($? < 4)) || fail "the tree's disk is damaged"
rm -rf "$run/results"
mkdir -p "$run/results"
debugfs -R "rdump /build/x86vm-results $run/results" "$run/data.img" >/dev/null 2>&1 || true
results="$run/results/x86vm-results"
[[ -f "$results/status" ]] || fail "the guest left no test status (see $run/console.log)"
status=$(cat "$results/status")
say "results in $results"
grep -E '^(100% tests passed|[0-9]+% tests passed|The following tests)' -A30 "$results/ctest.log" |
    sed 's/^/x86vm: /' || true
say "CTest status in the guest: $status"
exit "$status"
