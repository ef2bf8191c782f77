#!/usr/bin/env bash
# fddisk as people run it, on a made-up sysfs tree whose device nodes are plain files (so
# every pass-through command fails as on a bridge that answers none): the messages and exit
# codes for a machine without disks, a device that is no whole disk, a disk without
# S.M.A.R.T. pass-through, and bad usage.
set -u
FDDISK=$1
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

mkdir -p "$WORK/empty/block"
"$FDDISK" --sys "$WORK/empty" >/dev/null 2>"$WORK/err"; status=$?
[ $status -eq 1 ] || fail "no disk: exit $status"
grep -q "no whole disk" "$WORK/err" || fail "no disk: $(cat "$WORK/err")"

sys=$WORK/sys
device=$sys/devices/pci0000:00/0000:00:04.0/usb1/1-1/1-1:1.0/host2/target2:0:0/2:0:0:0
mkdir -p "$device" "$sys/block/sda/queue" "$sys/block/loop0" "$WORK/dev"
echo "USB DISK" >"$device/model"
echo "QEMU" >"$device/vendor"
echo 2097152 >"$sys/block/sda/size"
ln -s "$device" "$sys/block/sda/device"
: >"$WORK/dev/sda"

"$FDDISK" --sys "$sys" --dev "$WORK/dev" --json >"$WORK/out" 2>"$WORK/err"; status=$?
[ $status -eq 4 ] || fail "bridge: exit $status: $(cat "$WORK/err")"
grep -q 'PhysicalDrive0 = '"$WORK"'/dev/sda' "$WORK/err" || fail "drive order not printed"
grep -q "answers no ATA pass-through (SAT)" "$WORK/err" || fail "bridge message: $(cat "$WORK/err")"
grep -q '"not_read"' "$WORK/out" || fail "no not_read in the JSON"
grep -q '"0x380003"' "$WORK/out" || fail "no requests in the JSON"

"$FDDISK" --sys "$sys" --dev "$WORK/dev" /dev/loop0 >/dev/null 2>"$WORK/err"; status=$?
[ $status -ge 3 ] || fail "not a disk: exit $status"
grep -q "/dev/loop0 is not a whole" "$WORK/err" || fail "not a disk: $(cat "$WORK/err")"

"$FDDISK" --bogus >/dev/null 2>&1; status=$?
[ $status -eq 2 ] || fail "bad option: exit $status"
"$FDDISK" --help | grep -q "CAP_SYS_RAWIO" || fail "help does not say what it needs"
echo "fddisk command line: ok"
