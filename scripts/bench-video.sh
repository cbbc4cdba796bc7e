#!/bin/bash
# Decode speed of our MPEG decoder against ffmpeg's (single thread) on the same two streams:
# 320 x 240 MPEG-1 and 720 x 576 interlaced MPEG-2, encoded here from lavfi's testsrc2.
# Usage: scripts/bench-video.sh [BUILD_DIR]   (the build needs -DZUB_BENCH=ON and bench_video)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
dir=$build/bench-video
mkdir -p "$dir"
ff() { ffmpeg -hide_banner -loglevel error -y "$@"; }
[ -f "$dir/mpeg1_320x240.m1v" ] || ff -f lavfi -i testsrc2=size=320x240:rate=25 -frames:v 250 -c:v mpeg1video \
  -g 12 -bf 2 -b:v 1500k -f mpeg1video "$dir/mpeg1_320x240.m1v"
[ -f "$dir/mpeg2_720x576.m2v" ] || ff -f lavfi -i testsrc2=size=720x576:rate=25 -frames:v 100 -c:v mpeg2video \
  -g 12 -bf 2 -b:v 6000k -flags +ildct+ilme -f mpeg2video "$dir/mpeg2_720x576.m2v"

ours=$(ZUB_BENCH_VIDEO_DIR=$dir "$build/bench/bench_video" --benchmark_filter='BM_Decode(Mpeg1|Mpeg2)' \
  --benchmark_format=csv 2>/dev/null | grep '^"BM_')
# ffmpeg decodes the stream ten times in one process, so its start-up hardly counts; its user CPU
# time is compared with our CPU time, so a busy machine skews neither much.
ffmpeg_fps() {
  local frames=$1 file=$2 utime
  utime=$(ffmpeg -hide_banner -nostats -loglevel info -benchmark -threads 1 -stream_loop 9 -i "$file" -f null - 2>&1 |
    sed -n 's/.*utime=\([0-9.]*\)s.*/\1/p')
  echo "scale=1; 10 * $frames / $utime" | bc
}
for stream in mpeg1_320x240:250:Mpeg1_320x240 mpeg2_720x576:100:Mpeg2_720x576; do
  IFS=: read -r file frames bench <<< "$stream"
  ext=m1v; [[ $file == mpeg2* ]] && ext=m2v
  our=$(echo "$ours" | grep "BM_Decode$bench" | awk -F, '{printf "%.1f", $7}')
  theirs=$(ffmpeg_fps "$frames" "$dir/$file.$ext")
  printf '%-16s ours %8s fps   ffmpeg -threads 1 %8s fps   ratio %s\n' "$file" "$our" "$theirs" \
    "$(echo "scale=2; $our / $theirs" | bc)"
done
