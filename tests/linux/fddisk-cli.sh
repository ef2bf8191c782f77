#!/usr/bin/env bash
# fddisk as people run it, on a made-up sysfs tree whose device nodes are plain files (so
# every pass-through command fails as on a bridge that answers none): the messages, exit
# codes and JSON documents for a machine without disks, one with only a virtio disk, a device
# that is no whole disk, a disk without S.M.A.R.T. pass-through, a disk that cannot be opened,
# and bad usage. Every --json run prints one document that carries its exit status.
set -u
FDDISK=$1
WORK=$(mktemp -d)
chmod 755 "$WORK"  # the unprivileged run below reads the tree too
trap 'rm -rf "$WORK"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# json FILE EXPRESSION: the Python expression over the document `d` holds.
json() {
  python3 - "$1" "$2" <<'PY' || fail "$2: $(cat "$1")"
import json, sys
d = json.load(open(sys.argv[1]))
sys.exit(0 if eval("(" + sys.argv[2] + ")") else 1)
PY
}

mkdir -p "$WORK/empty/block"
"$FDDISK" --sys "$WORK/empty" >/dev/null 2>"$WORK/err"; status=$?
[ $status -eq 1 ] || fail "no disk: exit $status"
grep -q "no whole disk" "$WORK/err" || fail "no disk: $(cat "$WORK/err")"
"$FDDISK" --sys "$WORK/empty" --json >"$WORK/out" 2>/dev/null; status=$?
[ $status -eq 1 ] || fail "no disk, JSON: exit $status"
json "$WORK/out" 'd["exit_status"] == 1 and d["disks"] == [] and d["requests"]["0x380001"] is None
  and d["messages"][0]["severity"] == "error" and "no whole disk" in d["messages"][0]["string"]'

# A virtual machine whose only disk is virtio: listed as unreadable, not "no disk".
mkdir -p "$WORK/virtio/block/vda" "$WORK/virtio/block/vda1" "$WORK/virtio/block/nbd0"
echo 0 >"$WORK/virtio/block/nbd0/size"  # an NBD device not connected: no disk
"$FDDISK" --sys "$WORK/virtio" --dev /dev --json >"$WORK/out" 2>/dev/null; status=$?
[ $status -eq 4 ] || fail "virtio: exit $status"
json "$WORK/out" 'd["exit_status"] == 4 and d["physical_drives"] == []
  and [n["device"] for n in d["not_read"]] == ["/dev/vda"] and "virtio" in d["not_read"][0]["reason"]
  and d["messages"][0]["severity"] == "warning"'

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
json "$WORK/out" 'd["exit_status"] == 4 and len(d["physical_drives"]) == 1
  and "0x380003" in d["requests"] and "(SAT)" in d["not_read"][0]["reason"]'

# The device node cannot be opened: permission refused, for an unprivileged user.
chmod 000 "$WORK/dev/sda"
as_user=()
[ "$(id -u)" -eq 0 ] && as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
"${as_user[@]}" "$FDDISK" --sys "$sys" --dev "$WORK/dev" --json >"$WORK/out" 2>/dev/null; status=$?
[ $status -eq 3 ] || fail "permission: exit $status: $(cat "$WORK/out")"
json "$WORK/out" 'd["exit_status"] == 3 and "permission denied" in d["not_read"][0]["reason"]'
chmod 644 "$WORK/dev/sda"

"$FDDISK" --sys "$sys" --dev "$WORK/dev" /dev/loop0 >/dev/null 2>"$WORK/err"; status=$?
[ $status -ge 3 ] || fail "not a disk: exit $status"
grep -q "/dev/loop0 is not a whole" "$WORK/err" || fail "not a disk: $(cat "$WORK/err")"

"$FDDISK" --bogus >/dev/null 2>&1; status=$?
[ $status -eq 2 ] || fail "bad option: exit $status"
"$FDDISK" --json --bogus >"$WORK/out" 2>/dev/null; status=$?
[ $status -eq 2 ] || fail "bad option, JSON: exit $status"
json "$WORK/out" 'd["exit_status"] == 2 and "--bogus" in d["messages"][0]["string"]'
"$FDDISK" --help | grep "CAP_SYS_RAWIO" >/dev/null || fail "help does not say what it needs"
echo "fddisk command line: ok"
