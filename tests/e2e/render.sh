#!/usr/bin/env bash
# End to end: zubrender writes the same bytes on every run, PNG and Y4M files of the right
# shape, refuses bad arguments with status 2 and fails with status 1 on files it cannot write.
# Usage: render.sh BUILD_DIR SOURCE_DIR
set -u
. "$(dirname "$0")/lib.sh"
e2e_start "$@"
render="$build/zubrender"
cd "$source/data" || exit 1

for run in a b; do
  "$render" --quiet --no-progress --to 2 --out "$work/$run" --every 10 --scale 2 --y4m "$work/$run.y4m" \
    --sheet "$work/$run-sheet.png" --audio "$work/$run.wav" || fail "render $run exited with $?"
done
sum() { (cd "$1" && sha256sum -- * | sha256sum); }
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

check_status() {  # expected status, expected text on standard error, arguments...
  local want=$1 expect=$2; shift 2
  "$render" "$@" >/dev/null 2>"$work/err.txt"
  local status=$?
  [ $status -eq "$want" ] || fail "'$*' exited with $status, expected $want"
  grep -qF -- "$expect" "$work/err.txt" || fail "'$*' said: $(cat "$work/err.txt")"
}
check_error() { check_status 2 "$@"; }
check_error "unknown option '--nope'" --nope
check_error "unknown option '--nope'" --nope=3
check_error "--from must not be after --to" --bench --from 9 --to 3
check_error "--from must not be after --to" --bench --from=9 --to=3
check_error "--from takes seconds" --bench --from abc
check_error "--to takes seconds" --bench --to -1
check_error "--every takes a whole number" --bench --every 0
check_error "--scale takes a whole number from 1 to 8" --bench --scale 9
check_error "--scale takes a whole number" --bench --scale=1.5
check_error "--out needs a value" --out
check_error "--y4m needs a non-empty value" --y4m=
check_error "--bench takes no value" --bench=yes
check_error "nothing to do" --quiet
check_error "--bench writes nothing" --bench --y4m "$work/x.y4m"
check_error "--chroma takes 420 or 444" --y4m "$work/x.y4m" --chroma 422
check_error "--audio cannot write to standard output" --audio -
check_error "unexpected argument '--bench'" -- --bench
# A start beyond the last frame is found out by rendering to the end; nothing is written.
check_error "--from 280 is beyond the end of the demo" --quiet --no-progress --from 280 --y4m "$work/late.y4m"
[ ! -e "$work/late.y4m" ] || fail "a Y4M was left behind by a range with no frames"
# Files that cannot be written are failures of the run (1), with the path and the system's reason.
check_status 1 "cannot create folder /proc/zub/none: No such file or directory" --out /proc/zub/none
check_status 1 "cannot write /proc/zub/x.y4m: No such file or directory" --y4m /proc/zub/x.y4m
"$render" --quiet --no-progress --to 1 --y4m - >/dev/full 2>"$work/err.txt"
status=$?
[ $status -eq 1 ] || fail "a full disk under --y4m - gave status $status"
grep -qx "zubrender: cannot write standard output: No space left on device" "$work/err.txt" \
  || fail "full disk said: $(cat "$work/err.txt")"
"$render" --help | grep -q -- "--sheet" || fail "--help does not list --sheet"

# --opt=value works as --opt value; a single frame is one "frame".
"$render" --quiet --no-progress --to=0 --out="$work/one" 2>"$work/err.txt" || fail "--to=0 --out= exited with $?"
grep -qx "zubrender: wrote 1 PNG frame to $work/one" "$work/err.txt" || fail "singular: $(cat "$work/err.txt")"
[ "$(ls -A "$work/one")" = "frame_000000.png" ] || fail "--out= wrote: $(ls -A "$work/one")"

# --bench times only the frames from --from to --to, with CPU time and percentiles beside the wall clock.
"$render" --bench --no-progress --from 1 --to 2 >"$work/bench.txt" || fail "--bench exited with $?"
grep -q "^frames: 31 timed" "$work/bench.txt" || fail "bench frames: $(head -n 1 "$work/bench.txt")"
grep -q "^cpu: " "$work/bench.txt" || fail "bench has no CPU time"
grep -q "median .* 99th .* max .*(wall clock)" "$work/bench.txt" || fail "bench has no percentiles"

# With ffmpeg: one H.264/AAC file; without it: a clear refusal.
if command -v ffmpeg >/dev/null; then
  "$render" --quiet --no-progress --to 1 --mp4 "$work/a.mp4" || fail "--mp4 exited with $?"
  streams=$(ffprobe -v error -show_entries stream=codec_name -of csv=p=0 "$work/a.mp4" | tr '\n' ' ')
  [ "$streams" = "h264 aac " ] || fail "mp4 streams: $streams"
else
  check_error "--mp4 needs ffmpeg" --mp4 "$work/a.mp4"
fi

finish render
