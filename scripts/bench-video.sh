#!/bin/bash
# Decode speed of our MPEG decoder against ffmpeg's (single thread) on the same two streams:
# 320 x 240 MPEG-1 and 720 x 576 interlaced MPEG-2, encoded here from lavfi's testsrc2. With
# --long, on two long streams of other content as well: 40 s of a 640 x 480 MPEG-1 zoom into the
# Mandelbrot set at 4 Mbit/s, and 30 s of 720 x 576 interlaced MPEG-2 at 8 Mbit/s with strong
# noise on every frame (half a minute of encoding the first time).
# Usage: scripts/bench-video.sh [--long] [BUILD_DIR]   (the build needs -DZUB_BENCH=ON and bench_video)
# ZUB_BENCH_ROUNDS sets how many rounds each stream is measured for (default 5).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
long=0
[ "${1:-}" = --long ] && { long=1; shift; }
build=${1:-$root/build}
dir=$build/bench-video
mkdir -p "$dir"
ff() { ffmpeg -hide_banner -loglevel error -y "$@"; }
[ -f "$dir/mpeg1_320x240.m1v" ] || ff -f lavfi -i testsrc2=size=320x240:rate=25 -frames:v 250 -c:v mpeg1video \
  -g 12 -bf 2 -b:v 1500k -f mpeg1video "$dir/mpeg1_320x240.m1v"
[ -f "$dir/mpeg2_720x576.m2v" ] || ff -f lavfi -i testsrc2=size=720x576:rate=25 -frames:v 100 -c:v mpeg2video \
  -g 12 -bf 2 -b:v 6000k -flags +ildct+ilme -f mpeg2video "$dir/mpeg2_720x576.m2v"
streams=(mpeg1_320x240:250:Mpeg1_320x240 mpeg2_720x576:100:Mpeg2_720x576)
if [ "$long" = 1 ]; then
  [ -f "$dir/long_mpeg1_640x480.m1v" ] || ff -f lavfi -i mandelbrot=size=640x480:rate=25 -t 40 -c:v mpeg1video \
    -g 12 -bf 2 -b:v 4000k -f mpeg1video "$dir/long_mpeg1_640x480.m1v"
  [ -f "$dir/long_mpeg2_720x576.m2v" ] || ff -f lavfi -i "testsrc2=size=720x576:rate=25,noise=alls=30:allf=t+u" \
    -t 30 -c:v mpeg2video -g 12 -bf 2 -b:v 8000k -maxrate 9000k -bufsize 1835k -flags +ildct+ilme \
    -f mpeg2video "$dir/long_mpeg2_720x576.m2v"
  streams+=(long_mpeg1_640x480:1000:LongMpeg1_640x480 long_mpeg2_720x576:750:LongMpeg2_720x576)
fi

# ffmpeg decodes the stream ten times in one process, so its start-up hardly counts; its user CPU
# time is compared with our CPU time. On a shared machine one measurement can be off by a fifth
# either way, so the two take turns for several rounds and each round gives a ratio; the median
# ratio is the figure, with the best of each side beside it.
rounds=${ZUB_BENCH_ROUNDS:-5}
our_fps() {
  ZUB_BENCH_VIDEO_DIR=$dir "$build/bench/bench_video" --benchmark_filter="^BM_Decode$1\$" \
    --benchmark_format=csv 2>/dev/null | grep '^"BM_' | awk -F, '{printf "%.1f", $7}'
}
# A long stream is decoded twice in the one process, a short one ten times.
ffmpeg_fps() {
  local frames=$1 file=$2 utime loops=10
  [ "$frames" -ge 500 ] && loops=2
  utime=$(ffmpeg -nostdin -hide_banner -nostats -loglevel info -benchmark -threads 1 -stream_loop $((loops - 1)) \
    -i "$file" -f null - 2>&1 | sed -n 's/.*utime=\([0-9.]*\)s.*/\1/p')
  echo "scale=1; $loops * $frames / $utime" | bc
}
for stream in "${streams[@]}"; do
  IFS=: read -r file frames bench <<< "$stream"
  ext=m1v; [[ $file == *mpeg2* ]] && ext=m2v
  ratios=() ours_all=() theirs_all=()
  for ((r = 0; r < rounds; ++r)); do
    our=$(our_fps "$bench")
    theirs=$(ffmpeg_fps "$frames" "$dir/$file.$ext")
    ours_all+=("$our") theirs_all+=("$theirs")
    ratios+=("$(echo "scale=3; $our / $theirs" | bc)")
  done
  median=$(printf '%s\n' "${ratios[@]}" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}')
  best_ours=$(printf '%s\n' "${ours_all[@]}" | sort -n | tail -1)
  best_theirs=$(printf '%s\n' "${theirs_all[@]}" | sort -n | tail -1)
  printf '%-22s ratio %.2f (median of %d rounds: %s)   best: ours %8s fps, ffmpeg -threads 1 %8s fps\n' \
    "$file" "$median" "$rounds" "$(printf '%.2f ' "${ratios[@]}")" "$best_ours" "$best_theirs"
done
