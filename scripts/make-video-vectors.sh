#!/bin/bash
# Regenerates the video decoder's test streams in tests/data/video/ from ffmpeg's synthetic lavfi
# sources (no real footage), and ffmpeg's own decode of each as per-picture plane checksums plus
# the decoded YUV (kept only while small). Needs ffmpeg; mpeg2enc (mjpegtools) for field pictures.
set -euo pipefail
cd "$(dirname "$0")/.."
out=tests/data/video
mkdir -p "$out"
ff() { ffmpeg -hide_banner -loglevel error -y "$@"; }

# name, pixel format of the reference decode, then encoder arguments.
encode() {
  local name=$1 fmt=$2
  shift 2
  ff "$@" "$out/$name"
  reference "$name" "$fmt"
}

# ffmpeg's decode of a stream, stored as tests/data/video/NAME.FMT.png (raw planes as gray rows).
reference() {
  local name=$1 fmt=$2 tmp
  tmp=$(mktemp)
  ff -idct simple -threads 1 -i "$out/$name" -fps_mode passthrough -map 0:v:0 -f rawvideo -pix_fmt "$fmt" -y "$tmp.yuv"
  local width size
  width=$(ffprobe -v error -select_streams v:0 -show_entries stream=width -of default=nw=1:nk=1 "$out/$name" | head -1)
  size=$(stat -c %s "$tmp.yuv")
  ff -f rawvideo -pix_fmt gray -s "${width}x$((size / width))" -i "$tmp.yuv" -frames:v 1 -pred mixed \
    -compression_level 9 "$out/${name%.*}.$fmt.png"
  rm -f "$tmp" "$tmp.yuv"
}

src() { echo "$1=size=$2:rate=25"; }

# MPEG-1 elementary stream with I, P and B pictures.
encode m1_ipb.m1v yuv420p -f lavfi -i "$(src testsrc2 144x112)" -frames:v 10 -c:v mpeg1video -g 6 -bf 2 -q:v 4 -f mpeg1video
# MPEG-1 system stream with an MP2 audio stream muxed in.
encode m1_system.mpg yuv420p -f lavfi -i "$(src mandelbrot 128x96)" -f lavfi -i sine=frequency=440:sample_rate=32000 \
  -frames:v 8 -t 0.32 -c:v mpeg1video -g 5 -bf 1 -q:v 5 -c:a mp2 -b:a 64k -f mpeg
# Width not a multiple of 16 (and height not either).
encode m1_odd_size.m1v yuv420p -f lavfi -i "$(src testsrc2 100x70)" -frames:v 6 -c:v mpeg1video -g 4 -bf 1 -q:v 3 -f mpeg1video
# Intra-only, very low quantiser (large coefficients, escapes).
encode m1_intra_q1.m1v yuv420p -f lavfi -i "$(src testsrc2 96x64)" -frames:v 3 -c:v mpeg1video -g 1 -qmin 1 -q:v 1 -f mpeg1video
# Very high quantiser.
encode m1_q31.m1v yuv420p -f lavfi -i "$(src mandelbrot 128x96)" -frames:v 8 -c:v mpeg1video -g 8 -bf 2 -qmin 31 -q:v 31 -f mpeg1video
# MPEG-2 program stream, 4:2:0 progressive.
encode m2_program.mpg yuv420p -f lavfi -i "$(src testsrc2 160x112)" -frames:v 8 -c:v mpeg2video -g 5 -bf 2 -q:v 4 -f vob
# Interlaced MPEG-2: field DCT and field prediction in frame pictures.
encode m2_interlaced.m2v yuv420p -f lavfi -i "$(src testsrc2 160x128)" -frames:v 8 -c:v mpeg2video -g 5 -bf 2 -q:v 4 \
  -flags +ildct+ilme -top 1 -f mpeg2video
# 4:2:2 with alternate scan and the second intra VLC table.
encode m2_422_altscan.m2v yuv422p -f lavfi -i "$(src testsrc2 128x96)" -pix_fmt yuv422p -frames:v 6 -c:v mpeg2video \
  -g 4 -bf 1 -q:v 4 -intra_vlc 1 -alternate_scan 1 -f mpeg2video
# Non-linear quantiser with a high quantiser, intra DC precision 10 bits.
encode m2_nonlinear.m2v yuv420p -f lavfi -i "$(src mandelbrot 128x96)" -frames:v 8 -c:v mpeg2video -g 8 -bf 2 \
  -non_linear_quant 1 -qmin 1 -qmax 28 -q:v 20 -dc 10 -f mpeg2video

# Dual-prime prediction in interlaced frame pictures, with a loaded non-intra matrix (mjpegtools).
# ffmpeg encodes neither. mpeg2enc 2.1 marks small pictures (below 288 lines) as a progressive
# sequence even when it uses interlaced tools, which ffmpeg then refuses to decode as such; it
# writes no field pictures (-I 2 crashes), so those are covered by hand-made streams in the tests.
if command -v mpeg2enc > /dev/null; then
  ff -f lavfi -i "$(src testsrc2 176x288)" -frames:v 5 -pix_fmt yuv420p -field_order tt -f yuv4mpegpipe - |
    mpeg2enc -f 3 -I 1 -R 0 --dualprime-mpeg2 -K tmpgenc -q 6 -G 5 -g 5 -b 3000 -v 0 -o "$out/m2_dualprime.m2v" \
      > /dev/null 2>&1
  reference m2_dualprime.m2v yuv420p
fi

# A truncated file: the first 60% of the MPEG-1 stream.
size=$(stat -c %s "$out/m1_ipb.m1v")
head -c $((size * 6 / 10)) "$out/m1_ipb.m1v" > "$out/m1_truncated.m1v"
reference m1_truncated.m1v yuv420p
# A transport stream, which the decoder must refuse.
ff -f lavfi -i "$(src testsrc2 64x48)" -frames:v 2 -c:v mpeg2video -f mpegts "$out/m2_transport.ts"

ls -l "$out"
