#!/usr/bin/env bash
# End to end: zubrender writes the same bytes on every run, PNG and Y4M files of the right
# shape, and refuses bad arguments with status 2.
# Usage: render.sh BUILD_DIR SOURCE_DIR
set -u
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
render="$build/zubrender"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
cd "$source/data"

for run in a b; do
  "$render" --quiet --no-progress --to 2 --out "$work/$run" --every 10 --scale 2 --y4m "$work/$run.y4m" \
    --sheet "$work/$run-sheet.png" --audio "$work/$run.wav" || fail "render $run exited with $?"
done
sum() { (cd "$1" && sha256sum * | sha256sum); }
[ "$(sum "$work/a")" = "$(sum "$work/b")" ] || fail "PNG frames differ between runs"
cmp -s "$work/a.y4m" "$work/b.y4m" || fail "Y4M videos differ between runs"
cmp -s "$work/a-sheet.png" "$work/b-sheet.png" || fail "contact sheets differ between runs"
cmp -s "$work/a.wav" "$work/b.wav" || fail "soundtracks differ between runs"
# 61 frames of 1600 stereo 16-bit samples after the 44-byte header.
[ "$(stat -c %s "$work/a.wav")" -eq $((44 + 61 * 1600 * 4)) ] || fail "WAV size $(stat -c %s "$work/a.wav")"

# Frames 0, 10, ..., 60 of the first two seconds (frame 60 is due at 2000 ms).
[ "$(ls "$work/a" | tr '\n' ' ')" = "frame_000000.png frame_000010.png frame_000020.png frame_000030.png frame_000040.png frame_000050.png frame_000060.png " ] \
  || fail "unexpected PNG files: $(ls "$work/a" | tr '\n' ' ')"
png_size=$(od -An -tu1 -j16 -N8 "$work/a/frame_000030.png" | tr -s ' ')
[ "$png_size" = " 0 0 2 128 0 0 1 224" ] || fail "PNG is not 640 x 480: $png_size"
head -c 9 "$work/a/frame_000030.png" | od -An -c | grep -q "P   N   G" || fail "not a PNG file"
header=$(head -n 1 "$work/a.y4m")
[ "$header" = "YUV4MPEG2 W640 H480 F30:1 Ip A1:1 C420jpeg" ] || fail "Y4M header: $header"
expected=$(( ${#header} + 1 + 61 * (6 + 640 * 480 * 3 / 2) ))
[ "$(stat -c %s "$work/a.y4m")" -eq $expected ] || fail "Y4M size $(stat -c %s "$work/a.y4m"), expected $expected"

# The whole timeline twice: every 30th frame identical, and the run ends after about 273.9 s.
for run in full1 full2; do
  "$render" --quiet --no-progress --out "$work/$run" --every 30 || fail "full render $run exited with $?"
done
[ "$(sum "$work/full1")" = "$(sum "$work/full2")" ] || fail "full renders differ"
count=$(ls "$work/full1" | wc -l)
[ "$count" -eq 274 ] || fail "full render wrote $count frames, expected 274 (frames 0, 30, ..., 8190 of 8217)"

# The demo's own lines pass through without --quiet.
"$render" --no-progress --to 0.1 --out "$work/c" >"$work/out.txt" 2>/dev/null
grep -q "^start running the demo$" "$work/out.txt" || fail "demo output missing"
[ "$(tail -n 1 "$work/out.txt")" = "key has been hit, exiting..." ] || fail "exit line missing"

check_error() {
  local expect=$1; shift
  "$render" "$@" >/dev/null 2>"$work/err.txt"
  local status=$?
  [ $status -eq 2 ] || fail "'$*' exited with $status"
  grep -q -- "$expect" "$work/err.txt" || fail "'$*' said: $(cat "$work/err.txt")"
}
check_error "unknown option '--nope'" --nope
check_error "--from must not be after --to" --bench --from 9 --to 3
check_error "cannot create output folder" --out /proc/zub/none
"$render" --help | grep -q -- "--sheet" || fail "--help does not list --sheet"

# With ffmpeg: one H.264/AAC file; without it: a clear refusal.
if command -v ffmpeg >/dev/null; then
  "$render" --quiet --no-progress --to 1 --mp4 "$work/a.mp4" || fail "--mp4 exited with $?"
  streams=$(ffprobe -v error -show_entries stream=codec_name -of csv=p=0 "$work/a.mp4" | tr '\n' ' ')
  [ "$streams" = "h264 aac " ] || fail "mp4 streams: $streams"
else
  check_error "--mp4 needs ffmpeg" --mp4 "$work/a.mp4"
fi

[ $failures -eq 0 ] || { echo "$failures render check(s) failed"; exit 1; }
echo "all render checks passed"
