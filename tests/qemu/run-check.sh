#!/usr/bin/env bash
# The disk reader against real kernel drivers: a small Linux guest under qemu (TCG) with two
# SATA disks on the AHCI controller, an NVMe disk with a critical warning and a USB mass-storage
# disk. fddisk and smartctl run on every disk inside; compare.py checks that they agree.
#   run-check.sh FDDISK WORKDIR
# The guest (Debian's kernel and modules, busybox, fddisk and smartctl with their libraries)
# is put together in WORKDIR from packages; nothing is installed on this machine. Exits 77
# (skipped, saying why) when qemu, the kernel package or the tools are missing; under CI
# (CI=true) a missing prerequisite fails the check instead.
set -euo pipefail
FDDISK=$(readlink -f "$1")
WORK=$(mkdir -p "$2" && readlink -f "$2")
HERE=$(cd "$(dirname "$0")" && pwd)
skip() {
  [ "${CI:-}" = true ] && { echo "qemu check cannot run under CI: $*"; exit 1; }
  echo "qemu check skipped: $*"
  exit 77
}

command -v qemu-system-x86_64 >/dev/null || skip "no qemu-system-x86_64 (package qemu-system-x86)"
command -v smartctl >/dev/null || skip "no smartctl (package smartmontools)"
# grep reads the whole list (no -q): an early exit would fail busybox on a closed pipe, and
# pipefail with it.
[ -x /bin/busybox ] && /bin/busybox --list | grep -x insmod >/dev/null ||
  skip "no static busybox (package busybox-static)"

# The kernel: the package linux-image-amd64 points at, fetched once into WORKDIR.
kernel_pkg=$(apt-cache depends linux-image-amd64 2>/dev/null | sed -n 's/.*Depends: \(linux-image-[0-9].*\)/\1/p' | head -1)
[ -n "$kernel_pkg" ] || skip "apt knows no linux-image-amd64"
if [ ! -d "$WORK/kernel/$kernel_pkg" ]; then
  rm -rf "$WORK/download" && mkdir -p "$WORK/download"
  (cd "$WORK/download" && apt-get download "$kernel_pkg" >/dev/null 2>&1) || skip "cannot download $kernel_pkg"
  mkdir -p "$WORK/kernel/$kernel_pkg"
  dpkg-deb -x "$WORK"/download/*.deb "$WORK/kernel/$kernel_pkg"
  rm -rf "$WORK/download"
fi
KROOT=$WORK/kernel/$kernel_pkg
VMLINUZ=$(ls "$KROOT"/boot/vmlinuz-*)
MODULES=$(ls -d "$KROOT"/lib/modules/*)/kernel

# The initramfs: busybox, the drivers in load order, fddisk and smartctl with their libraries.
ROOT=$WORK/initramfs
rm -rf "$ROOT" && mkdir -p "$ROOT"/{bin,proc,sys,dev,modules,etc}
cp /bin/busybox "$ROOT/bin/busybox"
cp "$HERE/guest-init.sh" "$ROOT/init"
: >"$ROOT/modules.order"
while read -r module; do
  [ -z "$module" ] && continue
  cp "$MODULES/$module" "$ROOT/modules/"
  basename "$module" >>"$ROOT/modules.order"
done <"$HERE/guest-modules.txt"
for tool in "$FDDISK" "$(command -v smartctl)"; do
  cp "$tool" "$ROOT/bin/"
  for lib in $(ldd "$tool" | grep -o '/[^ ]*'); do
    mkdir -p "$ROOT$(dirname "$lib")"
    cp -L "$lib" "$ROOT$lib"
  done
done
(cd "$ROOT" && find . | cpio -o -H newc 2>/dev/null | gzip -1 >"$WORK/initramfs.cpio.gz")

# The disks: raw images, and the results disk the guest writes its tar archive to.
for image in sata0 sata1 nvme usb; do truncate -s 256M "$WORK/$image.img"; done
rm -f "$WORK/results.img" && truncate -s 16M "$WORK/results.img"

start=$(date +%s)
timeout 300 qemu-system-x86_64 -machine q35 -m 1024 -smp 2 -nographic -no-reboot \
  -kernel "$VMLINUZ" -initrd "$WORK/initramfs.cpio.gz" \
  -append "console=ttyS0 quiet loglevel=3 panic=-1" \
  -device ahci,id=ahci \
  -drive if=none,id=sata0,file="$WORK/sata0.img",format=raw \
  -device ide-hd,drive=sata0,bus=ahci.0,model="FD QEMU SATA HDD",serial=FDSATA0001,ver=FW1.0 \
  -drive if=none,id=sata1,file="$WORK/sata1.img",format=raw \
  -device ide-hd,drive=sata1,bus=ahci.1,rotation_rate=1 \
  -drive if=none,id=nvme,file="$WORK/nvme.img",format=raw \
  -device nvme,drive=nvme,serial=FDNVME0001,id=nvme0,smart_critical_warning=4 \
  -device qemu-xhci,id=xhci \
  -drive if=none,id=usb,file="$WORK/usb.img",format=raw \
  -device usb-storage,bus=xhci.0,drive=usb \
  -drive if=virtio,file="$WORK/results.img",format=raw >"$WORK/console.log" 2>&1 || {
  tail -20 "$WORK/console.log"
  echo "qemu check: the guest did not finish"
  exit 1
}
echo "guest ran $(( $(date +%s) - start )) s"
rm -rf "$WORK/results" && mkdir -p "$WORK/results"
tar xf "$WORK/results.img" -C "$WORK/results" || { tail -20 "$WORK/console.log"; exit 1; }
python3 "$HERE/compare.py" "$WORK/results"
