#!/usr/bin/env bash
# The newcomer's first minutes, measured: a fresh Debian 12 system (debootstrap, minbase) in a
# scratch folder, this repository cloned into it, and `./run.sh demo` run there as root. Prints
# when the packages were installed (the build starting) and when the first line of the
# laptop's day appeared. Needs root, debootstrap and the network; leaves nothing behind.
#   bench/fresh-machine-demo.sh [MIRROR]
set -euo pipefail
MIRROR=${1:-http://deb.debian.org/debian}
REPO=$(cd "$(dirname "$0")/.." && pwd)
ROOT=$(mktemp -d /tmp/fresh-debian-XXXXXX)
cleanup() {
  for m in dev sys proc; do umount "$ROOT/$m" 2>/dev/null || true; done
  # Never into a mount that stayed (the machine's own /dev or /sys).
  rm -rf --one-file-system "$ROOT"
}
trap cleanup EXIT
debootstrap --variant=minbase bookworm "$ROOT" "$MIRROR" >/dev/null
cp /etc/resolv.conf "$ROOT/etc/resolv.conf"
mount -t proc proc "$ROOT/proc"
mount --bind /sys "$ROOT/sys"
mount --bind /dev "$ROOT/dev"
git clone -q "$REPO" "$ROOT/root/p"
cat >"$ROOT/root/measure.sh" <<'INNER'
#!/bin/bash
cd /root/p
start=$(date +%s.%N)
./run.sh demo 2>&1 | while IFS= read -r line; do
  now=$(date +%s.%N)
  case "$line" in
    installing:*) echo "$line" ;;
    "[1/"*) awk -v a="$start" -v b="$now" 'BEGIN { printf "packages installed, build started after %.1f s\n", b - a }' ;;
    *x3RegisterPlugin*)
      awk -v a="$start" -v b="$now" 'BEGIN { printf "first line of the day after %.1f s\n", b - a }'
      exit 0 ;;
  esac
done
INNER
chmod +x "$ROOT/root/measure.sh"
echo "fresh Debian 12 on $(nproc) cores:"
chroot "$ROOT" /root/measure.sh
