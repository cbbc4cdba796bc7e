#!/bin/bash
# zubclip end to end: exit statuses, error messages, properties (text and JSON, checked against
# ffprobe), and the output forms on committed streams and standard output.
# Usage: zubclip.sh BUILD_DIR SOURCE_DIR
set -u
build=$1
data=$2/tests/data/video
zubclip=$build/zubclip
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
failures=0
check() {  # description, expected status, command...
  local what=$1 want=$2
  shift 2
  "$@" > "$out/stdout" 2> "$out/stderr"
  local got=$?
  if [ "$got" != "$want" ]; then
    echo "FAIL: $what: status $got, expected $want"
    failures=$((failures + 1))
  fi
}
expect_text() {  # description, file, text
  if ! grep -qF -- "$3" "$2"; then
    echo "FAIL: $1: '$3' not in $(basename "$2")"
    failures=$((failures + 1))
  fi
}

check "help" 0 "$zubclip" --help
expect_text "help" "$out/stdout" "usage: zubclip"
check "no arguments" 2 "$zubclip"
check "unknown option" 2 "$zubclip" --frobnicate "$data/m1_ipb.m1v"
check "missing option argument" 2 "$zubclip" "$data/m1_ipb.m1v" --yuv
check "option after --" 1 "$zubclip" -- --yuv
expect_text "option after --" "$out/stderr" "zubclip: --yuv: No such file or directory"
check "two standard outputs" 2 "$zubclip" --yuv - --y4m=- "$data/m1_ipb.m1v"

# Every error names the file, on standard error, in its own words.
check "missing file" 1 "$zubclip" "$out/none.mpg"
expect_text "missing file" "$out/stderr" "zubclip: $out/none.mpg: No such file or directory"
: > "$out/empty.mpg"
check "empty file" 1 "$zubclip" "$out/empty.mpg"
expect_text "empty file" "$out/stderr" "zubclip: $out/empty.mpg: empty file"
check "directory" 1 "$zubclip" "$out"
expect_text "directory" "$out/stderr" "zubclip: $out: is a directory"
printf '\0\0\0\x18ftypisom\0\0\0\0' > "$out/clip.mp4"
check "mp4 container" 1 "$zubclip" "$out/clip.mp4"
expect_text "mp4 container" "$out/stderr" "zubclip: $out/clip.mp4: not an MPEG-1/2 stream (found an MP4 container)"
check "transport stream" 1 "$zubclip" "$data/m2_transport.ts"
expect_text "transport stream" "$out/stderr" "m2_transport.ts: not an MPEG-1/2 stream (found an MPEG transport stream"
[ ! -s "$out/stdout" ] || { echo "FAIL: an error printed on standard output"; failures=$((failures + 1)); }
check "png folder that cannot be made" 1 "$zubclip" --png /proc/zub/none "$data/m1_ipb.m1v"
[ "$(grep -c "cannot create folder /proc/zub/none: No such file or directory" "$out/stderr")" = 1 ] \
  || { echo "FAIL: png folder error: $(cat "$out/stderr")"; failures=$((failures + 1)); }

# A stream cut inside a picture: what is there is decoded, a warning, status 0; --strict makes it 1.
check "truncated" 0 "$zubclip" --quiet --yuv "$out/t.yuv" "$data/m1_truncated.m1v"
expect_text "truncated" "$out/stderr" "m1_truncated.m1v: the stream ends inside a picture"
check "truncated, strict" 1 "$zubclip" --strict --yuv "$out/t.yuv" "$data/m1_truncated.m1v"

check "properties" 0 "$zubclip" "$data/m1_system.mpg"
expect_text "properties" "$out/stdout" "container:     MPEG-1 system stream"
expect_text "properties" "$out/stdout" "pictures:      8"
check "properties" 0 "$zubclip" "$data/m2_422_altscan.m2v"
expect_text "properties" "$out/stdout" "chroma format: 4:2:2"
expect_text "properties" "$out/stdout" "profile:       4:2:2 profile at Main level"
check "properties" 0 "$zubclip" "$data/m2_interlaced.m2v"
expect_text "properties" "$out/stdout" "field order:   top field first"
expect_text "properties" "$out/stdout" "picture types: 2 I, 2 P, 4 B"
expect_text "properties" "$out/stdout" "duration:      0.320 s"
check "system streams" 0 "$zubclip" "$data/m1_system.mpg"
expect_text "system streams" "$out/stdout" "stream 0xC0:   audio, 1 packet, MPEG-1 audio Layer II"
expect_text "system streams" "$out/stdout" "stream 0xE0:   video, 5 packets, MPEG-1 video"

check "yuv" 0 "$zubclip" --quiet --yuv "$out/a.yuv" "$data/m1_odd_size.m1v"
size=$(stat -c %s "$out/a.yuv")
[ "$size" = $((6 * (100 * 70 + 2 * 50 * 35))) ] || { echo "FAIL: yuv size $size"; failures=$((failures + 1)); }
check "y4m" 0 "$zubclip" --quiet --y4m "$out/a.y4m" "$data/m2_program.mpg"
head -c 9 "$out/a.y4m" | grep -q YUV4MPEG2 || { echo "FAIL: y4m header"; failures=$((failures + 1)); }
header=$(head -n 1 "$out/a.y4m" | wc -c)
size=$(stat -c %s "$out/a.y4m")
[ "$size" = $((header + 8 * (6 + 160 * 112 * 3 / 2))) ] || { echo "FAIL: y4m size $size"; failures=$((failures + 1)); }
check "yuv to standard output" 0 "$zubclip" --quiet --yuv=- "$data/m1_odd_size.m1v"
cmp -s "$out/stdout" "$out/a.yuv" || { echo "FAIL: --yuv - differs from --yuv FILE"; failures=$((failures + 1)); }
check "y4m to standard output" 0 "$zubclip" --y4m - "$data/m2_program.mpg"
cmp -s "$out/stdout" "$out/a.y4m" || { echo "FAIL: --y4m - differs from --y4m FILE"; failures=$((failures + 1)); }
check "png" 0 "$zubclip" --quiet --png "$out/png" "$data/m1_q31.m1v"
[ "$(ls "$out/png" | wc -l)" = 8 ] || { echo "FAIL: png count"; failures=$((failures + 1)); }

# A reserved frame_rate_code: the properties and raw YUV still come out; a Y4M, whose header must
# carry a rate, is refused and no file is left.
{ head -c 7 "$data/m1_ipb.m1v"; printf '\x10'; tail -c +9 "$data/m1_ipb.m1v"; } > "$out/rate0.m1v"
check "reserved rate, properties" 0 "$zubclip" "$out/rate0.m1v"
check "reserved rate, yuv" 0 "$zubclip" --quiet --yuv "$out/rate0.yuv" "$out/rate0.m1v"
check "reserved rate, y4m" 1 "$zubclip" --y4m "$out/rate0.y4m" "$out/rate0.m1v"
expect_text "reserved rate, y4m" "$out/stderr" "rate0.m1v: frame_rate_code 0 is reserved, so there is no frame rate"
[ ! -e "$out/rate0.y4m" ] || { echo "FAIL: a Y4M was written without a frame rate"; failures=$((failures + 1)); }

# The decoder's fatal message, once, before zubclip's own line; --quiet keeps only zubclip's.
printf '\0\0\1\xb3\x04\x00\x30\x13\xff\xff\xe0\x18\0\0\1\xb7' > "$out/no_picture.m1v"
check "no picture" 1 "$zubclip" "$out/no_picture.m1v"
[ "$(cat "$out/stderr")" = "header error
zubclip: $out/no_picture.m1v: cannot be decoded" ] || { echo "FAIL: no picture: $(cat "$out/stderr")"; failures=$((failures + 1)); }
check "no picture, quiet" 1 "$zubclip" --quiet "$out/no_picture.m1v"
[ "$(cat "$out/stderr")" = "zubclip: $out/no_picture.m1v: cannot be decoded" ] \
  || { echo "FAIL: no picture, quiet: $(cat "$out/stderr")"; failures=$((failures + 1)); }

# Against ffprobe: the JSON's aspect, frame rate, picture count, duration and field order on the
# committed streams, and a 16:9 PAL stream's Y4M header.
if command -v ffmpeg >/dev/null && command -v ffprobe >/dev/null && command -v jq >/dev/null; then
  ffmpeg -v error -f lavfi -i testsrc=size=720x576:rate=25 -t 0.2 -c:v mpeg2video -aspect 16:9 \
    -flags +ilme+ildct -top 0 -y "$out/pal169.m2v"
  ffmpeg -v error -f lavfi -i testsrc=size=176x144:rate=25 -f lavfi -i sine=r=48000 -t 0.4 -c:v mpeg2video \
    -c:a ac3 -f vob -y "$out/ac3.vob"
  for f in "$data"/m1_ipb.m1v "$data"/m1_system.mpg "$data"/m2_program.mpg "$data"/m2_interlaced.m2v \
    "$data"/m2_dualprime.m2v "$data"/m2_422_altscan.m2v "$out/pal169.m2v" "$out/ac3.vob"; do
    name=$(basename "$f")
    check "json $name" 0 "$zubclip" --json "$f"
    if ! jq -e . "$out/stdout" >/dev/null; then
      echo "FAIL: json $name: not valid JSON"
      failures=$((failures + 1))
      continue
    fi
    ours=$(jq -r '[.sample_aspect_ratio, .display_aspect_ratio, .frame_rate, .pictures, .field_order] | @tsv' "$out/stdout")
    probe=$(ffprobe -v error -count_frames -select_streams v:0 -of json -show_entries \
      stream=sample_aspect_ratio,display_aspect_ratio,r_frame_rate,nb_read_frames,field_order "$f")
    theirs=$(echo "$probe" | jq -r '.streams[0] | [.sample_aspect_ratio, .display_aspect_ratio, .r_frame_rate,
      (.nb_read_frames | tonumber), (if .field_order == null or .field_order == "unknown" then "progressive"
      else .field_order end)] | @tsv')
    [ "$ours" = "$theirs" ] || { echo "FAIL: json $name: ours '$ours', ffprobe '$theirs'"; failures=$((failures + 1)); }
    duration=$(jq -r '.duration' "$out/stdout")
    expected=$(echo "$probe" | jq -r '.streams[0] | (.nb_read_frames | tonumber) / (.r_frame_rate | split("/") |
      (.[0] | tonumber) / (.[1] | tonumber))')
    awk -v a="$duration" -v b="$expected" 'BEGIN { exit !(a - b < 0.0005 && b - a < 0.0005) }' \
      || { echo "FAIL: json $name: duration $duration, frames / rate $expected"; failures=$((failures + 1)); }
  done
  check "ac3 program stream" 0 "$zubclip" --json "$out/ac3.vob"
  [ "$(jq -r '.streams[] | select(.id == 189) | .format' "$out/stdout")" = "AC-3 audio" ] \
    || { echo "FAIL: the AC-3 stream: $(cat "$out/stdout")"; failures=$((failures + 1)); }
  check "16:9 y4m" 0 "$zubclip" --y4m "$out/pal.y4m" "$out/pal169.m2v"
  header=$(head -n 1 "$out/pal.y4m")
  [ "$header" = "YUV4MPEG2 W720 H576 F25:1 Ib A64:45 C420mpeg2" ] \
    || { echo "FAIL: 16:9 PAL Y4M header: $header"; failures=$((failures + 1)); }
  sar=$(ffprobe -v error -show_entries stream=sample_aspect_ratio -of csv=p=0 "$out/pal.y4m")
  [ "$sar" = "64:45" ] || { echo "FAIL: ffprobe reads the Y4M's aspect as $sar"; failures=$((failures + 1)); }
else
  echo "ffmpeg, ffprobe or jq missing: the comparisons with ffprobe are skipped"
fi

[ $failures = 0 ] && echo "zubclip: all checks passed"
exit $((failures > 0))
