#!/usr/bin/env bash
# The Debian package as a user gets it: unpacked with dpkg -x into a scratch folder (no
# installation), its contents listed, and the three programs started from its bin/ links:
# fdhost plays the demo laptop cleanly, fddisk and fdconf answer --help.
#   check-package.sh FILE.deb
set -euo pipefail
DEB=$(readlink -f "$1")
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

dpkg-deb --info "$DEB" >"$WORK/info"
grep "^ Package: devicefaultdetect$" "$WORK/info" >/dev/null || fail "not the devicefaultdetect package"
grep "^ Depends:.*liblog4cplus" "$WORK/info" >/dev/null || fail "no dependency on log4cplus: $(cat "$WORK/info")"
dpkg-deb --contents "$DEB" >"$WORK/contents"
for path in ./usr/bin/fdhost ./usr/bin/fddisk ./usr/bin/fdconf \
  ./usr/lib/devicefaultdetect/libDeviceFaultDetectPlugin.so ./usr/lib/devicefaultdetect/libfdemu.so \
  ./usr/lib/devicefaultdetect/libPluginsManager.so ./usr/lib/devicefaultdetect/libRtkBTReset.so \
  ./usr/lib/devicefaultdetect/libTactraHidAPI.so ./usr/share/doc/devicefaultdetect/README.md \
  ./usr/share/doc/devicefaultdetect/fdhost-help.txt ./usr/share/doc/devicefaultdetect/fddisk-help.txt \
  ./usr/share/doc/devicefaultdetect/fdconf-help.txt \
  ./usr/share/doc/devicefaultdetect/scenarios/demo-laptop-day.json \
  ./usr/share/doc/devicefaultdetect/scenarios/README.md; do
  grep " $path\( ->\|$\)" "$WORK/contents" >/dev/null || fail "$path is not in the package"
done

dpkg -x "$DEB" "$WORK/root"
bin=$WORK/root/usr/bin
"$bin/fdhost" run --format text >"$WORK/demo.txt" || fail "fdhost run: exit $?"
grep "faults: 0" "$WORK/demo.txt" >/dev/null || fail "the demo ran with faults: $(tail -n 20 "$WORK/demo.txt")"
"$bin/fdhost" run "$WORK/root/usr/share/doc/devicefaultdetect/scenarios/requests-tour.json" \
  >/dev/null || fail "fdhost run of a shipped scenario: exit $?"
"$bin/fddisk" --help | grep "CAP_SYS_RAWIO" >/dev/null || fail "fddisk --help"
"$bin/fdconf" --help | grep "fdconf seal" >/dev/null || fail "fdconf --help"
echo "package: $(basename "$DEB"), $(stat -c %s "$DEB") bytes; its programs run from $bin"
