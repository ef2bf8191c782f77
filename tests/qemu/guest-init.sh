#!/bin/busybox sh
# /init of the check's guest: loads the storage drivers, writes some data to the NVMe disk so
# that its counters move, runs fddisk and smartctl on every disk, and hands the results to the
# host as a tar archive on the virtio disk (which fddisk lists as a disk whose health cannot
# be read: virtio passes no command through). Then it powers the guest off.
/bin/busybox --install -s /bin
export PATH=/bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
for module in $(cat /modules.order); do
  insmod "/modules/$module" 2>/dev/null
done
# The disks come up asynchronously: wait for all four and the results disk (at most 30 s).
for i in $(seq 1 300); do
  [ -b /dev/sda ] && [ -b /dev/sdb ] && [ -b /dev/sdc ] && [ -b /dev/nvme0n1 ] && [ -b /dev/vda ] && break
  sleep 0.1
done
mkdir -p /out
ls /sys/block >/out/block.txt
# 64 MiB written (and read back) on the NVMe disk: the data-unit counters leave zero.
dd if=/dev/urandom of=/nvme.bin bs=1M count=8 2>/dev/null
for i in 1 2 3 4 5 6 7 8; do dd if=/nvme.bin of=/dev/nvme0n1 bs=1M seek=$((i * 8)) conv=fsync 2>/dev/null; done
dd if=/dev/nvme0n1 of=/dev/null bs=1M count=64 2>/dev/null
start=$(cut -d' ' -f1 /proc/uptime)
/bin/fddisk --json --trace >/out/fddisk.json 2>/out/fddisk.err
echo $? >/out/fddisk.status
end=$(cut -d' ' -f1 /proc/uptime)
echo "$start $end" >/out/fddisk.time
for disk in sda sdb sdc nvme0n1; do
  start=$(cut -d' ' -f1 /proc/uptime)
  /bin/smartctl --json=c -a /dev/$disk >/out/smartctl-$disk.json 2>/out/smartctl-$disk.err
  end=$(cut -d' ' -f1 /proc/uptime)
  echo "$start $end" >/out/smartctl-$disk.time
done
cd /out && tar cf /dev/vda . && sync
poweroff -f
