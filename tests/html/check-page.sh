#!/usr/bin/env bash
# Opens the HTML page fdhost writes for a scenario in headless Chromium and checks that it
# loaded without script errors and shows the expected number of marks per lane; keeps a
# screenshot beside it. Skips (exit 77) where Chromium is not installed, and fails there
# under CI (CI=true).
#   check-page.sh FDHOST SCENARIO OUT_DIR "lane=count" ...
set -euo pipefail
fdhost=$1 scenario=$2 out=$3
shift 3
browser=$(command -v chromium || command -v chromium-browser || true)
if [ -z "$browser" ]; then
  [ "${CI:-}" = true ] && { echo "chromium is not installed, and CI needs this check"; exit 1; }
  echo "chromium is not installed: skipped"
  exit 77
fi
mkdir -p "$out"
"$fdhost" run "$scenario" --html "$out/page.html" --transcript "$out/transcript.jsonl"
flags=(--headless --no-sandbox --disable-gpu --disable-background-networking
  --disable-component-update --disable-sync --no-first-run --user-data-dir="$out/profile")
"$browser" "${flags[@]}" --dump-dom "file://$out/page.html" 2>/dev/null >"$out/dom.html"
grep -q 'data-ready="1"' "$out/dom.html" || { echo "the page's script did not finish"; exit 1; }
if grep -q 'data-errors' "$out/dom.html"; then
  grep -A3 'id="errors"' "$out/dom.html"
  exit 1
fi
status=0
for expect in "$@"; do
  lane=${expect%=*} count=${expect##*=}
  if ! grep -q "data-lane=\"$lane\" data-count=\"$count\"" "$out/dom.html"; then
    echo "lane \"$lane\": expected $count marks, the page shows:"
    grep -o "data-lane=\"$lane\" data-count=\"[0-9]*\"" "$out/dom.html" || echo "  no such lane"
    status=1
  fi
done
"$browser" "${flags[@]}" --window-size=1400,560 --screenshot="$out/html-timeline.png" \
  "file://$out/page.html" 2>/dev/null
[ -s "$out/html-timeline.png" ] || { echo "no screenshot"; exit 1; }
exit $status
