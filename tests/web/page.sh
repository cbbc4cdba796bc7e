#!/usr/bin/env bash
# The web build in a real browser: serves dist/web on 127.0.0.1 and drives Debian's chromium
# headless through the page. Checks that the page says what failed when the data pack or the wasm
# is missing, or when it is opened as a file; that the test hook's frame hashes equal the golden
# frames of the offline renderer (one frame of every scene); that the demo runs with a non-silent
# tune, goes on after a tap on the picture, whose control bar then fades and leaves no cursor over
# it, and ends on Escape with its exit line; that the control bar pauses and moves to exactly the
# offline renderer's frames; and that a screenshot of it running is not black. It also measures what
# the page costs in CPU time per frame, beside zubrender's cost for the same frames, and that its
# files come to at most 2 MB gzipped.
# usage: page.sh BUILD_DIR SOURCE_DIR   (dist/web must have been built by scripts/build-web.sh)
set -euo pipefail
src=$(realpath "$2")
dist=$src/dist/web
here=$(dirname "$(realpath "$0")")
fail() { echo "FAIL: $*" >&2; exit 1; }

[ -f "$dist/index.html" ] && [ -f "$dist/zubdemo.wasm" ] || fail "no web build in $dist (run scripts/build-web.sh)"
# What a viewer downloads, compressed as a server that compresses would send it: at most 2 MB.
packed=0
for f in "$dist"/*; do packed=$((packed + $(gzip -9c "$f" | wc -c))); done
[ "$packed" -le 2000000 ] || fail "the page's files come to $packed bytes gzipped, more than 2 MB"
chromium=$(command -v chromium) || fail "chromium is not installed (ZUB_WITH_CHROMIUM=1 scripts/build-web.sh installs it)"

tmp=$(mktemp -d)
server=""
browser=""
cleanup() {
  [ -n "$browser" ] && kill "$browser" 2>/dev/null || true
  [ -n "$server" ] && kill "$server" 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT

# The build as it is, and two copies of it that each lack one of the files the page downloads.
site=$tmp/site
mkdir -p "$site/no-data" "$site/no-wasm"
ln -s "$dist" "$site/web"
for f in "$dist"/*; do
  [ "$(basename "$f")" = zubdemo.data ] || ln -s "$f" "$site/no-data/"
  [ "$(basename "$f")" = zubdemo.wasm ] || ln -s "$f" "$site/no-wasm/"
done

python3 "$here/server.py" "$site" "$tmp/port" "$tmp/report" &
server=$!
for _ in $(seq 100); do [ -f "$tmp/port" ] && break; sleep 0.1; done
[ -f "$tmp/port" ] || fail "the web server did not start"
root="http://127.0.0.1:$(cat "$tmp/port")"
base="$root/web/index.html"

# --window-size takes its two numbers with a comma.
# shellcheck disable=SC2054
browser_flags=(--headless --no-sandbox --disable-gpu --no-first-run --no-default-browser-check
               --disable-background-networking --disable-component-update --disable-sync
               --autoplay-policy=no-user-gesture-required --window-size=640,480)

# Opens the page and waits (up to $2 seconds of real time) for the report it posts.
run_page() {
  local url=$1 limit=$2 profile
  profile=$(mktemp -d -p "$tmp")
  rm -f "$tmp/report"
  "$chromium" "${browser_flags[@]}" --user-data-dir="$profile" "$url" >"$tmp/chromium.log" 2>&1 &
  browser=$!
  # The CPU time of the browser's processes, read while the page runs.
  python3 "$here/cpu_sampler.py" "$browser" "$tmp/cpu" &
  local sampler=$!
  local waited=0
  while [ ! -f "$tmp/report" ] && [ "$waited" -lt $((limit * 10)) ]; do
    sleep 0.1
    waited=$((waited + 1))
  done
  kill "$browser" 2>/dev/null || true
  wait "$browser" 2>/dev/null || true
  wait "$sampler" 2>/dev/null || true
  browser=""
  [ -f "$tmp/report" ] || { tail -n 20 "$tmp/chromium.log" >&2; fail "no report from $url within ${limit}s"; }
}

# 1. A missing data pack or wasm: the start screen says which file failed and why, instead of
# "Loading…" for ever.
for missing in zubdemo.data zubdemo.wasm; do
  folder=no-data
  [ "$missing" = zubdemo.wasm ] && folder=no-wasm
  start=$(date +%s%N)
  run_page "$root/$folder/index.html?report" 30
  ms=$((($(date +%s%N) - start) / 1000000))
  python3 - "$tmp/report" "$missing" "$ms" <<'EOF'
import json, sys
r, missing, ms = json.load(open(sys.argv[1])), sys.argv[2], int(sys.argv[3])
text = r.get("screenText", "")
present = {"zubdemo.data", "zubdemo.wasm"} - {missing}
problems = []
if not r.get("failure"): problems.append("the page reports no failure")
if missing not in text: problems.append(f"the start screen does not name {missing}")
if "404" not in text: problems.append("the start screen does not give the server's answer (404)")
if any(name in text for name in present): problems.append(f"the start screen blames {present}, which is there")
if "Loading" in text: problems.append("the start screen still says Loading")
print(f"web: without {missing} the page says, {ms / 1000:.1f} s after opening: {r.get('failure')}")
for p in problems: print("FAIL:", p, "--", repr(text))
sys.exit(1 if problems else 0)
EOF
done

# 2. Opened as a file, the page tells to serve the folder over HTTP.
profile=$(mktemp -d -p "$tmp")
"$chromium" "${browser_flags[@]}" --user-data-dir="$profile" --virtual-time-budget=5000 --dump-dom \
  "file://$dist/index.html" >"$tmp/file.html" 2>"$tmp/chromium.log" || true
python3 - "$tmp/file.html" <<'EOF' || fail "the page opened as a file does not tell to serve the folder over HTTP"
import sys
from html.parser import HTMLParser

# The text of the page's #status element, as the page left it (the script's own text does not count).
class Status(HTMLParser):
    def __init__(self):
        super().__init__()
        self.inside, self.hidden, self.found, self.text = False, False, False, ""
    def handle_starttag(self, tag, attrs):
        if dict(attrs).get("id") == "status":
            self.inside, self.found, self.hidden = True, True, "hidden" in dict(attrs)
    def handle_endtag(self, tag):
        if tag == "p": self.inside = False
    def handle_data(self, data):
        if self.inside: self.text += data

page = Status()
page.feed(open(sys.argv[1], encoding="utf-8").read())
print(f"web: opened as a file the page says: {page.text.strip() or '(nothing)'}")
sys.exit(0 if page.found and not page.hidden and "serve the folder over HTTP" in page.text and "file://" in page.text else 1)
EOF

# 3. Frame hashes on the virtual clock: the second golden frame of every scene.
frames=$(awk '$2 != last { last = $2; n = 0 } { if (++n == 2) printf "%s%s", sep, $1; sep = "," }' \
  "$src/tests/data/golden_frames.txt" | sed 's/^,//')
[ -n "$frames" ] || fail "no golden frames"
start=$(date +%s%N)
run_page "$base?frames=$frames&report" 900
ms=$((($(date +%s%N) - start) / 1000000))
python3 - "$tmp/report" "$src/tests/data/golden_frames.txt" "$frames" "$ms" <<'EOF'
import json, sys
report = json.load(open(sys.argv[1]))
golden = {}
for line in open(sys.argv[2]):
    n, scene, h = line.split()
    golden[int(n)] = (scene, int(h, 16))
seen = {}
for line in report["hashes"].splitlines():
    n, scene, h = line.split()
    seen[int(n)] = (scene, int(h, 16))
wanted = [int(n) for n in sys.argv[3].split(",")]
bad = [n for n in wanted if seen.get(n) != golden[n]]
for n in bad:
    print(f"frame {n}: page {seen.get(n)}, zubrender {golden[n]}")
# The canvas shows the last frame: read back from the page, it must hash the same.
shown = int(report.get("canvasHash") or "0", 16)
if shown != golden[max(wanted)][1]:
    print(f"the canvas shows a different picture than frame {max(wanted)} (hash {shown:x})")
    bad.append("canvas")
print(f"web: {len([n for n in wanted if n not in bad])} of {len(wanted)} frame hashes equal zubrender's "
      f"({len({golden[n][0] for n in wanted})} scenes, up to frame {max(wanted)}, {int(sys.argv[4]) / 1000:.1f} s; "
      f"{report['hashMs'] / (max(wanted) + 1):.2f} ms per frame drawn)")
sys.exit(1 if bad or not report["hashesDone"] else 0)
EOF

# 4. The demo on the wall clock with its tune, ended by Escape. Audio needs real time. The start
# screen's reduced-flash box reaches the program. A tap on the picture (a touch pointer, then the
# mouse events a browser makes of it) must not end it, and shows the control bar with the End
# button; two seconds later the bar is gone, nothing covers the picture, and the cursor is hidden
# over it. The progress counted every byte of the downloads.
run_page "$base?autostart&reduce-flashes&tap-after=3&escape-after=8&report" 120
python3 - "$tmp/report" "$(($(stat -c %s "$dist/zubdemo.wasm") + $(stat -c %s "$dist/zubdemo.data")))" <<'EOF'
import json, sys
r = json.load(open(sys.argv[1]))
out = r["output"]
problems = []
tap = r.get("tapped")
if not tap:
    problems.append("no tap on the picture")
else:
    ids = [c["id"] for c in tap["controls"]]
    if "end" not in ids: problems.append(f"no End button after a tap (controls shown: {ids})")
    later = r.get("afterTap")
    if not later:
        problems.append("the page was not looked at after the tap")
    else:
        if later["barShown"] or later["controls"]:
            problems.append(f"the control bar still shows {[c['id'] for c in later['controls']]} 2.6 s after the tap")
        if later["cursor"] != "none": problems.append(f"the cursor over the playing picture is {later['cursor']!r}")
if r["seconds"] < 7: problems.append(f"the demo ended after {r['seconds']:.1f} s, before Escape (on the tap?)")
size = int(sys.argv[2])
if r.get("loadedBytes") != size or r.get("totalBytes") != size:
    problems.append(f"the progress counted {r.get('loadedBytes')} of {r.get('totalBytes')} bytes; the files have {size}")
if r.get("aborted"): problems.append("the page aborted: " + r["aborted"])
if not r["ended"]: problems.append("the demo did not end")
if "start running the demo" not in out: problems.append("no start line")
if "key has been hit, exiting..." not in out: problems.append("no exit line after Escape")
if r["frames"] < 60: problems.append(f"only {r['frames']} frames in {r['seconds']:.1f} s")
if not r.get("reduceFlashes"): problems.append("the reduced-flash mode asked for on the start screen is off")
if r["audioLoudChecks"] == 0 or r["audioPeak"] < 0.01:
    problems.append(f"silent audio graph (peak {r['audioPeak']:.4f} over {r['audioChecks']} checks)")
fps = r["frames"] / r["seconds"] if r["seconds"] else 0
busy = r["busyMs"] / r["frames"] if r["frames"] else 0
print(f"web: {r['frames']} frames in {r['seconds']:.1f} s ({fps:.1f} frames/s), {busy:.2f} ms of wall time per frame in its passes; "
      f"audio peak {r['audioPeak']:.3f}, loud in {r['audioLoudChecks']} of {r['audioChecks']} checks")
for p in problems: print("FAIL:", p)
sys.exit(1 if problems else 0)
EOF

# 4b. What the page costs: the CPU time of the browser's processes (from /proc, sampled while the
# page plays untouched from 60 s of the timeline) per frame, from five seconds in to the last frame
# counted, against zubrender's CPU time for the same frames on this machine in the same run.
run_page "$base?autostart&t=60&escape-after=25&report" 120
"$1/zubrender" --data "$src/data" --bench --quiet --from 65 --to 84 >"$tmp/bench" 2>/dev/null || true
read -r frames total renderer < <(python3 "$here/cpu_per_frame.py" "$tmp/report" "$tmp/cpu") || fail "the page's CPU time was not measured"
python3 - "$frames" "$total" "$renderer" "$tmp/bench" <<'EOF'
import sys
frames, total, renderer = int(sys.argv[1]), float(sys.argv[2]), float(sys.argv[3])
# zubrender's "frames: N timed in ..." and "cpu: S s: ..." lines.
bench = dict(line.split(":", 1) for line in open(sys.argv[4]) if line.startswith(("frames:", "cpu:")))
desktop = float(bench["cpu"].split()[0]) * 1000 / int(bench["frames"].split()[0]) if len(bench) == 2 else 0
line = (f"web: CPU time per frame over {frames} frames from 65 s: {total:.2f} ms in all the browser's processes, "
        f"{renderer:.2f} ms in the page's renderer process")
if desktop:
    line += f"; zubrender {desktop:.2f} ms for the frames from 65 to 84 s ({renderer / desktop:.1f} times in the renderer)"
print(line)
EOF

# 5. The control bar: started at 20 s, paused with its button, moved ahead to frame 1200 and back
# to frame 300 (the timeline built anew); each move lands on the frame the offline renderer draws
# there. A click on the middle of the timeline moves to the middle of the demo; the bar shows its
# controls, and two seconds later is gone.
run_page "$base?autostart&t=20&seek-test=$(python3 -c 'print((1200 + .5) / 30, (300 + .5) / 30, sep=",")')&report" 180
python3 - "$tmp/report" "$src/tests/data/golden_frames.txt" <<'EOF'
import json, sys
r = json.load(open(sys.argv[1]))
golden = {int(n): int(h, 16) for n, _, h in (line.split() for line in open(sys.argv[2]))}
problems = []
results = r.get("seekResults") or []
if len(results) != 2: problems.append(f"{len(results)} of 2 moves made")
for got, frame in zip(results, (1200, 300)):
    if not got["paused"]: problems.append(f"not paused after the move to {got['to']:.2f} s")
    if int(got["hash"], 16) != golden[frame]:
        problems.append(f"the move to {got['to']:.2f} s shows {got['hash']}, not frame {frame} ({golden[frame]:x})")
clicked = r.get("clicked")
if not clicked:
    problems.append("no click on the timeline")
else:
    if clicked["scenes"] != 12: problems.append(f"the timeline marks {clicked['scenes']} scenes")
    if abs(clicked["ms"] - clicked["lengthMs"] / 2) > 2000:
        problems.append(f"a click on the middle of the timeline moved to {clicked['ms']} ms of {clicked['lengthMs']}")
shown = [c["id"] for c in (r.get("barShown") or {}).get("controls", [])]
for wanted in ("play", "timeline", "volume", "full"):
    if wanted not in shown: problems.append(f"the bar does not show {wanted} (it shows {shown})")
hidden = r.get("barHidden") or {}
if hidden.get("barShown", True) or hidden.get("controls"): problems.append("the bar did not hide")
if r.get("aborted"): problems.append("the page aborted: " + r["aborted"])
if not r["ended"]: problems.append("the demo did not end")
if clicked:
    print(f"web: control bar: moves to frames 1200 and 300 as zubrender draws them, a click on the middle to "
          f"{clicked['ms'] / 1000:.1f} s of {clicked['lengthMs'] / 1000:.1f} s")
for p in problems: print("FAIL:", p)
sys.exit(1 if problems else 0)
EOF

# 6. A screenshot of the running demo (virtual time: the page runs 6 s of it at once). It starts at the
# second scene, lit from its first frame, so that a slow load cannot leave the shot on a fade from black.
profile=$(mktemp -d -p "$tmp")
"$chromium" "${browser_flags[@]}" --user-data-dir="$profile" --virtual-time-budget=6000 \
  --screenshot="$tmp/shot.png" "$base?autostart&scene=1" >"$tmp/chromium.log" 2>&1 || true
[ -f "$tmp/shot.png" ] || { tail -n 20 "$tmp/chromium.log" >&2; fail "no screenshot"; }
python3 - "$tmp/shot.png" <<'EOF'
import struct, sys, zlib
data = open(sys.argv[1], "rb").read()
assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
pos, idat = 8, b""
while pos < len(data):
    length, kind = struct.unpack(">I4s", data[pos:pos + 8])
    body = data[pos + 8:pos + 8 + length]
    if kind == b"IHDR":
        width, height, depth, colour = struct.unpack(">IIBB", body[:10])
    elif kind == b"IDAT":
        idat += body
    pos += 12 + length
assert depth == 8 and colour in (2, 6), f"unexpected PNG format {depth}/{colour}"
bpp = 3 if colour == 2 else 4
raw, stride = zlib.decompress(idat), width * bpp
rows, prev, lit = [], bytearray(stride), 0
for y in range(height):
    kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
    for i in range(stride):
        a = line[i - bpp] if i >= bpp else 0
        b, c = prev[i], prev[i - bpp] if i >= bpp else 0
        if kind == 1: line[i] = (line[i] + a) & 255
        elif kind == 2: line[i] = (line[i] + b) & 255
        elif kind == 3: line[i] = (line[i] + (a + b) // 2) & 255
        elif kind == 4:
            p = a + b - c
            pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
            line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
    lit += sum(1 for x in range(0, stride, bpp) if max(line[x:x + 3]) > 32)
    prev = line
share = lit / (width * height)
print(f"web: screenshot {width} x {height}, {100 * share:.1f}% of its pixels lit")
if share <= 0.05: print("FAIL: the screenshot of the running demo is nearly black")
sys.exit(0 if share > 0.05 else 1)
EOF
echo "web page: all checks passed"
