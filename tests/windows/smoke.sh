#!/usr/bin/env bash
# The Windows build's smoke run under wine: fdhost.exe loads the plug-in manager and the
# plug-in, plays scenarios/windows-smoke.json on the machine's clock and unloads. Checked:
# the run succeeds and the module is gone after the unload; the answer to 0x390024 has the
# bytes the Linux fdhost's run of the same scenario gives (when a Linux fdhost is named);
# the start-up Wi-Fi check wrote "Numbers" 1 under RepairFailFlag in wine's own registry.
# Then runs that unload the plug-in at awkward moments: at once after Init, 0.3 s in (the
# Wi-Fi check's first pause), as the request arrives (1.001 s) and in the GPIO re-power's wait.
#   smoke.sh WINDOWS_BIN_DIR [LINUX_FDHOST]
set -euo pipefail
bin=$(cd "$1" && pwd)
linux_fdhost=${2:-}
root=$(cd "$(dirname "$0")/../.." && pwd)
scenario="$root/scenarios/windows-smoke.json"
out="$bin/smoke"
mkdir -p "$out"
key='HKLM\Software\Velmora\RepairFailFlag'

fail() {
  echo "smoke: $*" >&2
  exit 1
}

# The flag from an earlier run would change what the check does.
wine reg delete "$key" /f >/dev/null 2>&1 || true
start=$(date +%s%N)
(cd "$bin" && wine fdhost.exe run "$scenario" >"$out/windows.jsonl" 2>"$out/windows.stderr") ||
  fail "fdhost.exe failed (exit $?); see $out"
echo "smoke: the run under wine took $((($(date +%s%N) - start) / 1000000)) ms"
grep -q '"op":"unload","module_gone":true' "$out/windows.jsonl" || fail "the module stayed loaded"
if grep -q '"kind":"fault"' "$out/windows.jsonl"; then fail "fault lines in $out/windows.jsonl"; fi

answers() { # transcript: the plug-in's answers without their times
  python3 -c 'import json,sys
for line in open(sys.argv[1]):
    if line.startswith("{"):
        l = json.loads(line)
        if l["kind"] == "ipc":
            print(l["dst"], l["src"], l["msg"], l["reply"], l["payload_hex"])' "$1"
}
windows_answers=$(answers "$out/windows.jsonl")
[ -n "$windows_answers" ] || fail "no answer to the request"
if [ -n "$linux_fdhost" ]; then
  "$linux_fdhost" run "$scenario" >"$out/linux.jsonl"
  linux_answers=$(answers "$out/linux.jsonl")
  [ "$windows_answers" = "$linux_answers" ] ||
    fail "answers differ: Windows [$windows_answers], Linux [$linux_answers]"
  echo "smoke: the answer matches the Linux run: $windows_answers"
fi

wine reg query "$key" /v Numbers 2>/dev/null | tr -d '\r' | grep -Eq 'Numbers +REG_DWORD +0x1$' ||
  fail "no Numbers 1 under $key in wine's registry"
echo "smoke: Numbers 1 is in wine's registry"

# A request still in flight at the unload may go unanswered (exit status 1); anything else
# (a crash, a module left loaded) fails.
for ms in 0 300 1001 2220; do
  wine reg delete "$key" /f >/dev/null 2>&1 || true
  status=0
  (cd "$bin" && wine fdhost.exe run "$scenario" --for "$ms" >"$out/early-$ms.jsonl" 2>&1) ||
    status=$?
  [ "$status" -le 1 ] || fail "the unload at $ms ms failed ($status); see $out/early-$ms.jsonl"
  grep -q '"op":"unload","module_gone":true' "$out/early-$ms.jsonl" ||
    fail "the module stayed loaded at $ms ms; see $out/early-$ms.jsonl"
done
echo "smoke: unloaded cleanly at 0, 300, 1001 and 2220 ms after Init"
