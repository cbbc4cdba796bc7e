#!/bin/bash
# What the page costs in CPU time per frame, against the desktop demo playing the same frames, and
# against the page's floor (tests/web/floor.html: the same canvas, frame loop and audio graph with
# no demo behind them, what any page showing 30 frames a second with a tune costs the browser).
# Each plays 65 s to 84 s of the timeline (the floor plays as long) in a 640 x 480 window: the
# pages in headless chromium without a GPU, the demo under Xvfb with SDL's dummy audio driver,
# which still pulls the tune at its rate. The CPU time comes from /proc: for a page, of the
# browser's renderer process and of all its processes; for the demo, of its one process. The
# three take turns for several rounds; the medians are the figures.
# Usage: scripts/bench-page.sh [BUILD_DIR]   (dist/web from scripts/build-web.sh; BUILD_DIR holds
# zubdemo; chromium and Xvfb installed). ZUB_BENCH_ROUNDS sets the rounds (default 3).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
rounds=${ZUB_BENCH_ROUNDS:-3}
here=$root/tests/web
[ -f "$root/dist/web/index.html" ] || { echo "bench-page: no web build in dist/web (run scripts/build-web.sh)" >&2; exit 1; }
[ -x "$build/zubdemo" ] || { echo "bench-page: no zubdemo in $build" >&2; exit 1; }
for tool in chromium Xvfb python3; do
  command -v "$tool" >/dev/null || { echo "bench-page: $tool is not installed" >&2; exit 1; }
done

tmp=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$tmp"
}
trap cleanup EXIT

mkdir -p "$tmp/site"
ln -s "$root/dist/web" "$tmp/site/web"
ln -s "$here/floor.html" "$tmp/site/floor.html"
python3 "$here/server.py" "$tmp/site" "$tmp/port" "$tmp/report" &
pids+=($!)
for _ in $(seq 100); do [ -f "$tmp/port" ] && break; sleep 0.1; done
[ -f "$tmp/port" ] || { echo "bench-page: the web server did not start" >&2; exit 1; }
url="http://127.0.0.1:$(cat "$tmp/port")"

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x1024x24 >/dev/null 2>&1 &
pids+=($!)
sleep 1

# Writes "renderer all": the page's CPU milliseconds per frame in its renderer process and in all the
# browser's processes. $1: the page's path and query on the server.
page() {
  rm -f "$tmp/report"
  chromium --headless --no-sandbox --disable-gpu --no-first-run --no-default-browser-check \
    --disable-background-networking --disable-component-update --disable-sync \
    --autoplay-policy=no-user-gesture-required --window-size=640,480 \
    --user-data-dir="$(mktemp -d -p "$tmp")" "$url/$1" >"$tmp/chromium.log" 2>&1 &
  local browser=$!
  python3 "$here/cpu_sampler.py" "$browser" "$tmp/cpu" &
  local sampler=$! waited=0
  while [ ! -f "$tmp/report" ] && [ "$waited" -lt 900 ]; do sleep 0.1; waited=$((waited + 1)); done
  kill "$browser" 2>/dev/null || true
  wait "$browser" "$sampler" 2>/dev/null || true
  [ -f "$tmp/report" ] || { tail -n 20 "$tmp/chromium.log" >&2; echo "bench-page: no report from $1" >&2; exit 1; }
  local all renderer
  read -r _ all renderer < <(python3 "$here/cpu_per_frame.py" "$tmp/report" "$tmp/cpu") || exit 1
  echo "$renderer $all"
}

# The demo from 60 s; its CPU time from 65 s to 84 s, when it shows its 30 frames a second.
desktop() {
  DISPLAY=$display SDL_AUDIODRIVER=dummy "$build/zubdemo" --data "$root/data" --no-warning --quiet \
    --start 60s >/dev/null 2>"$tmp/zubdemo.err" &
  local demo=$! tick
  tick=$(getconf CLK_TCK)
  sleep 5
  local t0 s0 t1 s1
  t0=$(awk '{print $14 + $15}' "/proc/$demo/stat"); s0=$(date +%s.%N)
  sleep 19
  t1=$(awk '{print $14 + $15}' "/proc/$demo/stat"); s1=$(date +%s.%N)
  kill -TERM "$demo"
  local status=0
  wait "$demo" || status=$?
  # 143: ended by the TERM signal, as asked.
  [ "$status" = 0 ] || [ "$status" = 143 ] || { cat "$tmp/zubdemo.err" >&2; echo "bench-page: zubdemo failed ($status)" >&2; exit 1; }
  python3 -c "print(f'{($t1 - $t0) * 1000 / $tick / (($s1 - $s0) * 30):.3f}')"
}

: >"$tmp/figures"
for round in $(seq "$rounds"); do
  read -r page_renderer page_all < <(page "web/index.html?autostart&t=60&escape-after=25&report")
  read -r floor_renderer floor_all < <(page "floor.html?seconds=25")
  demo=$(desktop)
  printf 'bench-page: round %d: page %s ms (renderer) %s ms (all); floor %s / %s ms; desktop %s ms\n' \
    "$round" "$page_renderer" "$page_all" "$floor_renderer" "$floor_all" "$demo" >&2
  echo "$page_renderer $page_all $floor_renderer $floor_all $demo" >>"$tmp/figures"
done

python3 - "$tmp/figures" <<'EOF'
import statistics, sys
rows = [list(map(float, line.split())) for line in open(sys.argv[1])]
page_r, page_a, floor_r, floor_a, demo = (statistics.median(column) for column in zip(*rows))
print(f"CPU time per frame, 65-84 s, median of {len(rows)} rounds:")
print(f"  desktop demo (640 x 480 window)   {demo:.2f} ms")
print(f"  page, renderer process            {page_r:.2f} ms  ({page_r / demo:.1f} times the desktop)")
print(f"  page, all the browser's processes {page_a:.2f} ms  ({page_a / demo:.1f} times)")
print(f"  floor page, renderer process      {floor_r:.2f} ms  ({floor_r / demo:.1f} times)")
print(f"  floor page, all processes         {floor_a:.2f} ms  ({floor_a / demo:.1f} times)")
print(f"  the demo's own share of the page  {page_r - floor_r:.2f} ms (renderer), {page_a - floor_a:.2f} ms (all)")
EOF
