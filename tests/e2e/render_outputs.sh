#!/usr/bin/env bash
# End to end: zubrender's outputs as a script or a shell uses them: an interrupt leaves neither the
# target nor a temporary, the MP4 goes through a pipe to ffmpeg whatever its name and holds as
# many frames as the Y4M, the Y4M streams to standard output, ffmpeg's failure is reported in its
# own words, and a fatal error of the demo reaches standard error under --quiet.
# Usage: render_outputs.sh BUILD_DIR SOURCE_DIR
set -u
. "$(dirname "$0")/lib.sh"
e2e_start "$@"
render="$build/zubrender"
cd "$source/data" || exit 1

# SIGINT and SIGTERM in the middle of a Y4M: status 130/143 and nothing left in the folder.
for signal in INT TERM; do
  mkdir "$work/sig"
  "$render" --quiet --no-progress --y4m "$work/sig/demo.y4m" --audio "$work/sig/demo.wav" &
  pid=$!
  for _ in $(seq 100); do [ -n "$(ls -A "$work/sig")" ] && break; sleep 0.05; done
  sleep 0.5
  kill -s $signal $pid
  wait $pid
  status=$?
  want=$([ $signal = INT ] && echo 130 || echo 143)
  [ "$status" -eq "$want" ] || fail "SIG$signal: status $status, expected $want"
  [ -z "$(ls -A "$work/sig")" ] || fail "SIG$signal left: $(ls -A "$work/sig")"
  rm -rf "$work/sig"
done

# --y4m - writes the video to standard output, and the demo's lines stay out of it.
"$render" --no-progress --to 1 --y4m - 2>/dev/null >"$work/stdout.y4m" || fail "--y4m - exited with $?"
"$render" --quiet --no-progress --to 1 --y4m "$work/file.y4m" || fail "--y4m FILE exited with $?"
cmp -s "$work/stdout.y4m" "$work/file.y4m" || fail "--y4m - differs from --y4m FILE"

if command -v ffmpeg >/dev/null && command -v ffprobe >/dev/null; then
  frames() { ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames -of csv=p=0 "$@"; }
  piped=$("$render" --quiet --no-progress --to 1 --y4m - | frames -)
  [ "$piped" = 31 ] || fail "ffprobe counted $piped frames through the pipe, expected 31"

  # A name with a quote, a space and a leading dash; the same range as Y4M and WAV.
  mkdir "$work/mp4"
  "$render" --quiet --no-progress --from 2 --to 3 --mp4 "$work/mp4/it's -x.mp4" --y4m "$work/mp4/same.y4m" \
    --audio "$work/mp4/same.wav" || fail "--mp4 \"it's -x.mp4\" exited with $?"
  [ "$(frames "$work/mp4/it's -x.mp4")" = "$(frames "$work/mp4/same.y4m")" ] \
    || fail "MP4 holds $(frames "$work/mp4/it's -x.mp4") frames, the Y4M $(frames "$work/mp4/same.y4m")"
  streams=$(ffprobe -v error -show_entries stream=codec_name -of csv=p=0 "$work/mp4/it's -x.mp4" | tr '\n' ' ')
  [ "$streams" = "h264 aac " ] || fail "mp4 streams: $streams"
  [ "$(ls -A "$work/mp4" | tr '\n' ' ')" = "it's -x.mp4 same.wav same.y4m " ] \
    || fail "--mp4 left: $(ls -A "$work/mp4" | tr '\n' ' ')"
  # Without --y4m, no raw video is written anywhere.
  before=$(find "${TMPDIR:-/tmp}" -maxdepth 1 -name "*zubrender*" | wc -l)
  "$render" --quiet --no-progress --to 0.5 --mp4 "$work/mp4/b.mp4" || fail "--mp4 alone exited with $?"
  [ "$(find "${TMPDIR:-/tmp}" -maxdepth 1 -name "*zubrender*" | wc -l)" = "$before" ] || fail "--mp4 left a temporary file"

  # ffmpeg failing: its own last line is reported, status 1, nothing left behind.
  mkdir "$work/fake" "$work/fail"
  printf '#!/bin/sh\ncat >/dev/null\necho "Unknown encoder libx264 (fake)" >&2\nexit 1\n' >"$work/fake/ffmpeg"
  chmod +x "$work/fake/ffmpeg"
  PATH="$work/fake:$PATH" "$render" --quiet --no-progress --to 0.5 --mp4 "$work/fail/c.mp4" 2>"$work/err.txt"
  status=$?
  [ $status -eq 1 ] || fail "failing ffmpeg gave status $status"
  grep -q "ffmpeg could not write $work/fail/c.mp4" "$work/err.txt" || fail "ffmpeg failure said: $(cat "$work/err.txt")"
  grep -q "Unknown encoder libx264 (fake)" "$work/err.txt" || fail "ffmpeg's own words missing: $(cat "$work/err.txt")"
  [ -z "$(ls -A "$work/fail")" ] || fail "failing ffmpeg left: $(ls -A "$work/fail")"
else
  echo "ffmpeg not installed: MP4 and pipe checks skipped"
fi

# The flash report: the strobe of the landscape scene fails as general and red flashes; with the
# limiter nothing fails, and an MP4 made with it still passes once encoded and decoded again.
"$render" --quiet --no-progress --from 140 --to 150 --flash-report - >"$work/flashes.json" || fail "--flash-report exited with $?"
"$render" --quiet --no-progress --from 140 --to 150 --reduce-flashes --flash-report "$work/reduced.json" ||
  fail "--reduce-flashes --flash-report exited with $?"
python3 - "$work/flashes.json" "$work/reduced.json" <<'EOF' || fail "flash reports: see above"
import json, sys
full, reduced = json.load(open(sys.argv[1])), json.load(open(sys.argv[2]))
kinds = {s["kind"] for s in full["stretches"]}
problems = []
if full["summary"]["passes"] or kinds != {"general", "red"}: problems.append(f"default: {full['summary']}, kinds {kinds}")
if not all(140 <= s["start"] <= s["end"] <= 150 and s["most_flashes_in_one_second"] > 3 for s in full["stretches"]):
    problems.append(f"stretches outside --from/--to or within the limit: {full['stretches']}")
if not reduced["summary"]["passes"] or reduced["stretches"] or not reduced["reduce_flashes"]:
    problems.append(f"reduced: {reduced['summary']}")
for p in problems: print("FAIL:", p)
sys.exit(1 if problems else 0)
EOF
if command -v ffmpeg >/dev/null; then
  "$render" --quiet --no-progress --from 135 --to 180 --reduce-flashes --mp4 "$work/safe.mp4" || fail "--reduce-flashes --mp4 exited with $?"
  ffmpeg -loglevel error -i "$work/safe.mp4" -f rawvideo -pix_fmt bgr0 - | "$build/tests/flash_check" >"$work/check.txt" ||
    fail "the reduced-flash MP4 breaks the threshold: $(cat "$work/check.txt")"
fi

# Fail fast: a start beyond the end and an output that cannot be written are refused before the
# timeline is rendered (which takes many seconds), with statuses 2 and 1.
for args in "--from 9999 --out $work/late:2" "--sheet /nonexistent/s.png:1" "--audio /nonexistent/a.wav --to 1 --out $work/early:1"; do
  start=$(date +%s%N)
  # shellcheck disable=SC2086 # the options are split into words on purpose
  timeout 10 "$render" --quiet --no-progress ${args%:*} >/dev/null 2>"$work/err.txt"
  status=$?
  ms=$((($(date +%s%N) - start) / 1000000))
  [ $status -eq "${args##*:}" ] && [ $ms -lt 2000 ] || fail "zubrender ${args%:*}: status $status after $ms ms"
  [ ! -e "$work/early" ] || fail "a refused run left its PNG folder"
done

# --size: frames of exactly that size, the picture fitted with its shape kept and centred on black;
# with --integer by a whole factor only.
"$render" --quiet --no-progress --from 3 --to 3 --size 64x64 --y4m "$work/size.y4m" --chroma 444 ||
  fail "--size exited with $?"
"$render" --quiet --no-progress --from 3 --to 3 --size 700x500 --integer --y4m "$work/integer.y4m" --chroma 444 ||
  fail "--size --integer exited with $?"
python3 - "$work/size.y4m" "$work/integer.y4m" <<'EOF' || fail "--size: see above"
import sys
def luma(path):
    data = open(path, "rb").read()
    header, rest = data.split(b"\n", 1)
    fields = dict((f[:1], f[1:]) for f in header.split()[1:])
    w, h = int(fields[b"W"]), int(fields[b"H"])
    frame = rest.split(b"\n", 1)[1]
    return w, h, [frame[y * w:(y + 1) * w] for y in range(h)]
def lit(rows, y0, y1, x0, x1):
    return any(max(rows[y][x0:x1]) > 16 for y in range(y0, y1))  # studio range: black is 16
problems = []
w, h, rows = luma(sys.argv[1])  # the picture is 64 x 48, rows 8 to 55
if (w, h) != (64, 64): problems.append(f"--size 64x64 made {w}x{h}")
elif lit(rows, 0, 8, 0, 64) or lit(rows, 56, 64, 0, 64) or not lit(rows, 8, 9, 0, 64) or not lit(rows, 55, 56, 0, 64):
    problems.append("--size 64x64: the picture is not rows 8 to 55 between black bars")
w, h, rows = luma(sys.argv[2])  # twice the frame, 640 x 480, from (30, 10)
if (w, h) != (700, 500): problems.append(f"--size 700x500 --integer made {w}x{h}")
elif lit(rows, 0, 10, 0, 700) or lit(rows, 490, 500, 0, 700) or lit(rows, 10, 490, 0, 30) or lit(rows, 10, 490, 670, 700):
    problems.append("--size 700x500 --integer: the bars are not black")
elif any(rows[y][x] != rows[y][x + 1] for y in range(10, 490, 2) for x in range(30, 670, 2)):
    problems.append("--size 700x500 --integer: pixels are not doubled")
for p in problems: print("FAIL:", p)
sys.exit(1 if problems else 0)
EOF

# Every refusal names its file (on standard error, under --quiet too): a broken and a cut-off
# picture, a missing one whose stand-in is missing too, a broken clip, an object with no shape.
refusal() {
  local name=$1 file=$2 expect=$3
  rm -rf "$work/refuse" && cp -r . "$work/refuse"
  (cd "$work/refuse" && eval "$4" && "$render" --quiet --no-progress --to 0.1 --out "$work/refuse/frames" >/dev/null 2>"$work/err.txt")
  grep -qF -- "$expect" "$work/err.txt" && grep -qF -- "$file" "$work/err.txt" ||
    fail "$name: standard error was '$(cat "$work/err.txt")'"
}
refusal "not a JPEG" "in file dat/gfx.jpg" "Not a JPEG file" "printf 'P6 not a picture' >dat/gfx.jpg"
refusal "cut-off JPEG" "in file dat/gfx.jpg" "Premature end of JPEG file" "head -c 3000 $source/data/dat/gfx.jpg >dat/gfx.jpg"
refusal "no stand-in" "stands in for dat/gfx.jpg" "Error: opening file default.jpg" "rm dat/gfx.jpg default.jpg"
refusal "broken clip" "in file dat/guns.mpg" "Unable to recognize stream type" "head -c 4000 /dev/zero | tr '\\0' x >dat/guns.mpg"
refusal "shapeless object" "dat/zub.lwo: no points or polygons read" "the default cube stands in for it" \
  "head -c 12 $source/data/dat/zub.lwo >dat/zub.lwo"
refusal "missing object" "dat/zub.lwo cannot be opened" "default.lwo stands in for it" "rm dat/zub.lwo"

# A pack with a broken object: the fatal message reaches standard error even under --quiet.
mkdir "$work/pack"
cp -r . "$work/pack/"
head -c 100 "$source/data/dat/zub.lwo" >"$work/pack/dat/zub.lwo"
(cd "$work/pack" && "$render" --quiet --no-progress --to 1 --y4m "$work/broken.y4m" >"$work/out.txt" 2>"$work/err.txt")
status=$?
[ $status -ne 0 ] || fail "a broken object gave status 0"
grep -qF 'dat\zub.lwo' "$work/err.txt" || fail "broken object under --quiet said on standard error: '$(cat "$work/err.txt")'"
[ ! -s "$work/out.txt" ] || fail "--quiet printed on standard output: $(head -n 3 "$work/out.txt")"
[ ! -e "$work/broken.y4m" ] && [ -z "$(find "$work" -maxdepth 1 -name "*part*")" ] || fail "the failed run left its Y4M"

finish "render output"
