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

# The conformance matrix: progressive and interlaced, 4:2:0 and 4:2:2, intra only, I+P and I+P+B,
# two streams per class and one of them at a size that is no multiple of 16. Interlaced sources
# weave two moments into each frame, so field DCT and field prediction are really chosen.
# name, size, frames, chroma, scan (p, tff or bff), GOP arguments.
stream() {
  local name=$1 size=$2 frames=$3 fmt=$4 scan=$5
  shift 5
  local filter=null flags=()
  case $scan in
    tff) filter=tinterlace=interleave_top,setfield=tff flags=(-flags +ildct+ilme -top 1) ;;
    bff) filter=tinterlace=interleave_bottom,setfield=bff flags=(-flags +ildct+ilme -top 0) ;;
  esac
  encode "$name" "$fmt" -f lavfi -i "$(src testsrc2 "$size")" -vf "$filter" -frames:v "$frames" -pix_fmt "$fmt" \
    -c:v mpeg2video "${flags[@]}" "$@" -f mpeg2video
}
stream m2_p420_i.m2v 112x80 3 yuv420p p -g 1 -q:v 3
stream m2_p420_i_odd.m2v 90x58 3 yuv420p p -g 1 -q:v 6
stream m2_p420_ip.m2v 128x96 6 yuv420p p -g 6 -bf 0 -q:v 4
stream m2_p420_ip_odd.m2v 74x46 6 yuv420p p -g 3 -bf 0 -q:v 2
stream m2_p420_ipb.m2v 96x64 7 yuv420p p -g 7 -bf 2 -q:v 4
stream m2_p420_ipb_odd.m2v 118x70 7 yuv420p p -g 4 -bf 1 -q:v 8
stream m2_p422_i.m2v 96x64 3 yuv422p p -g 1 -q:v 2
stream m2_p422_i_odd.m2v 70x54 3 yuv422p p -g 1 -q:v 5
stream m2_p422_ip.m2v 112x64 6 yuv422p p -g 6 -bf 0 -q:v 4
stream m2_p422_ip_odd.m2v 86x62 6 yuv422p p -g 3 -bf 0 -q:v 3
stream m2_p422_ipb.m2v 128x80 7 yuv422p p -g 7 -bf 2 -q:v 4
stream m2_p422_ipb_odd.m2v 102x50 7 yuv422p p -g 5 -bf 1 -q:v 6
stream m2_i420_i.m2v 96x64 3 yuv420p tff -g 1 -q:v 3
stream m2_i420_i_odd.m2v 78x58 3 yuv420p bff -g 1 -q:v 5
stream m2_i420_ip.m2v 128x96 6 yuv420p tff -g 6 -bf 0 -q:v 4
stream m2_i420_ip_odd.m2v 94x70 6 yuv420p bff -g 3 -bf 0 -q:v 3
stream m2_i420_ipb.m2v 112x64 7 yuv420p bff -g 7 -bf 2 -q:v 4
stream m2_i420_ipb_odd.m2v 106x74 7 yuv420p tff -g 5 -bf 1 -q:v 6
stream m2_i422_i.m2v 96x64 3 yuv422p tff -g 1 -q:v 3
stream m2_i422_i_odd.m2v 82x42 3 yuv422p bff -g 1 -q:v 5
stream m2_i422_ip.m2v 112x96 6 yuv422p bff -g 6 -bf 0 -q:v 4
stream m2_i422_ip_odd.m2v 98x66 6 yuv422p tff -g 3 -bf 0 -q:v 3
# 4:2:2 interlaced with B pictures, where skipped macroblocks follow field-predicted ones.
stream m2_i422_ipb.m2v 176x144 12 yuv422p tff -g 12 -bf 2 -q:v 4
stream m2_i422_ipb_odd.m2v 138x90 8 yuv422p bff -g 6 -bf 2 -q:v 3
stream m2_i422_ipb_gop5.m2v 130x98 8 yuv422p tff -g 5 -bf 1 -q:v 3
stream m2_i422_ipb_closed.m2v 176x96 9 yuv422p bff -g 9 -bf 2 -q:v 4 -flags +cgop -sc_threshold 1000000000

# Multiplexed streams with audio at sizes that are no multiple of 16.
encode m1_system_odd.mpg yuv420p -f lavfi -i "$(src testsrc2 98x66)" -f lavfi -i sine=frequency=330:sample_rate=44100 \
  -frames:v 7 -t 0.28 -c:v mpeg1video -g 4 -bf 2 -q:v 4 -c:a mp2 -b:a 96k -f mpeg
encode m2_program_audio_odd.mpg yuv422p -f lavfi -i "$(src testsrc2 110x78)" -f lavfi -i sine=frequency=550:sample_rate=48000 \
  -frames:v 7 -t 0.6 -vf tinterlace=interleave_top,setfield=tff -pix_fmt yuv422p -c:v mpeg2video -flags +ildct+ilme \
  -top 1 -g 5 -bf 2 -q:v 4 -c:a mp2 -b:a 128k -f vob
encode m2_program_audio.mpg yuv420p -f lavfi -i "$(src mandelbrot 128x96)" -f lavfi -i sine=frequency=220:sample_rate=48000 \
  -frames:v 6 -t 0.24 -c:v mpeg2video -g 6 -bf 1 -q:v 4 -c:a ac3 -b:a 96k -f vob

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

# A clip of a single picture.
encode m1_one_picture.m1v yuv420p -f lavfi -i "$(src testsrc2 80x48)" -frames:v 1 -c:v mpeg1video -q:v 4 -f mpeg1video
# A truncated file: the first 60% of the MPEG-1 stream.
size=$(stat -c %s "$out/m1_ipb.m1v")
head -c $((size * 6 / 10)) "$out/m1_ipb.m1v" > "$out/m1_truncated.m1v"
reference m1_truncated.m1v yuv420p
# A transport stream, which the decoder must refuse.
ff -f lavfi -i "$(src testsrc2 64x48)" -frames:v 2 -c:v mpeg2video -f mpegts "$out/m2_transport.ts"

ls -l "$out"
