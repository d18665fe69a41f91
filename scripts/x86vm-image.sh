#!/usr/bin/env bash
# Builds the emulated machine's system disk for scripts/test-x86-vm.sh: a
# Debian 12 (amd64, with i386 as a second architecture) made by debootstrap
# and apt from this machine's own Debian mirror, with 32-bit Wine and the test
# tools. Leaves root.img, vmlinuz and initrd.img in OUT. Run as root.
#
#   x86vm-image.sh OUT [DEB_CACHE]
#
# DEB_CACHE keeps the downloaded packages between builds (apt's own archive
# folder, bound into the new root), so a changed recipe downloads only what
# is new.
#
# The image's init only mounts the tree's disk and hands over to the tree's
# own scripts/x86vm-guest.sh, so changes to the tests never rebuild the image.
# test-x86-vm.sh keys its cache by a hash of this file: any change here
# builds a new image.
set -euo pipefail
out="$(realpath "$1")"
work="$out/rootfs"
debs="${2:-}"

sources=/etc/apt/sources.list.d/debian.sources
mirror=$(awk '/^URIs:/ && !/security/ { print $2; exit }' "$sources")
[[ -n "$mirror" ]] || { echo "x86vm-image.sh: no Debian mirror in $sources" >&2; exit 1; }

mounted=()
cleanup() {
    local i
    for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
        umount -l "${mounted[$i]}" 2>/dev/null || true
    done
}
trap cleanup EXIT
bind() { # host-path
    mount --bind "$1" "$work$1"
    mounted+=("$work$1")
}

rm -rf "$work"
mkdir -p "$work"
cache_options=()
if [[ -n "$debs" ]]; then
    debs="$(realpath "$debs")"
    mkdir -p "$debs"
    cache_options=(--cache-dir="$debs")
fi
echo "x86vm: debootstrap bookworm from $mirror"
debootstrap "${cache_options[@]}" --arch=amd64 --variant=minbase bookworm "$work" "$mirror" \
    >"$out/debootstrap.log" 2>&1 || { tail -20 "$out/debootstrap.log" >&2; exit 1; }

cp "$sources" "$work/etc/apt/sources.list.d/debian.sources"
rm -f "$work/etc/apt/sources.list"
# No service may start inside the chroot.
printf '#!/bin/sh\nexit 101\n' >"$work/usr/sbin/policy-rc.d"
chmod 755 "$work/usr/sbin/policy-rc.d"
bind /proc
bind /sys
bind /dev
bind /dev/pts
if [[ -n "$debs" ]]; then
    mount --bind "$debs" "$work/var/cache/apt/archives"
    mounted+=("$work/var/cache/apt/archives")
fi

in_root() { chroot "$work" env DEBIAN_FRONTEND=noninteractive LC_ALL=C "$@"; }
echo "x86vm: installing the kernel and the test tools"
in_root dpkg --add-architecture i386
in_root apt-get update -qq
in_root apt-get install -y -qq --no-install-recommends \
    linux-image-amd64 initramfs-tools xvfb xauth x11-utils xkb-data xfonts-base locales cmake \
    fonts-ipafont-gothic python3 python3-ezdxf imagemagick procps psmisc util-linux kmod iproute2 \
    binutils-mingw-w64-i686 msitools wixl \
    >"$out/apt.log" 2>&1 || { tail -20 "$out/apt.log" >&2; exit 1; }
echo "x86vm: installing Wine (64- and 32-bit)"
in_root apt-get install -y -qq --no-install-recommends wine wine64 wine32:i386 \
    >>"$out/apt.log" 2>&1 || { tail -20 "$out/apt.log" >&2; exit 1; }
sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' "$work/etc/locale.gen"
grep -q '^ja_JP.UTF-8 UTF-8' "$work/etc/locale.gen" || echo 'ja_JP.UTF-8 UTF-8' >>"$work/etc/locale.gen"
in_root locale-gen >/dev/null
cleanup
mounted=()
rm -f "$work/usr/sbin/policy-rc.d"

# init: mount the basics and the tree's disk (at the path given on the kernel
# command line), then run the tree's guest script; power off whatever happens.
cat >"$work/sbin/tarn-init" <<'EOF'
#!/bin/bash
export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin HOME=/root
# The kernel may have mounted some of these already.
mount -t proc proc /proc 2>/dev/null
mount -t sysfs sysfs /sys 2>/dev/null
mount -t devtmpfs devtmpfs /dev 2>/dev/null
mkdir -p /dev/pts /dev/shm
mount -t devpts devpts /dev/pts
mount -t tmpfs tmpfs /dev/shm
mount -t tmpfs tmpfs /tmp
mount -t tmpfs tmpfs /run
hostname x86vm
ip link set lo up 2>/dev/null || true
echo "x86vm-guest: booted"
if [[ -n "${tarn_tree:-}" ]] && mkdir -p "$tarn_tree" && mount /dev/vdb "$tarn_tree"; then
    bash "$tarn_tree/scripts/x86vm-guest.sh" "$tarn_tree"
    echo "x86vm-guest: guest script ended with $?"
    sync
    umount "$tarn_tree" || mount -o remount,ro "$tarn_tree"
else
    echo "x86vm-guest: the tree's disk could not be mounted at '${tarn_tree:-}'"
fi
sync
echo o >/proc/sysrq-trigger
sleep 60
EOF
chmod 755 "$work/sbin/tarn-init"

kernel=$(ls "$work"/boot/vmlinuz-* | sort -V | tail -1)
cp "$kernel" "$out/vmlinuz"
cp "$work/boot/initrd.img-${kernel##*/vmlinuz-}" "$out/initrd.img"
size_mb=$(($(du -sm "$work" | cut -f1) + 1024))
echo "x86vm: making the ${size_mb} MiB system disk"
rm -f "$out/root.img"
mkfs.ext4 -q -F -L x86vm-root -d "$work" "$out/root.img" "${size_mb}M"
rm -rf "$work"
