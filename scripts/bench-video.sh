#!/bin/bash
# Decode speed of our MPEG decoder against ffmpeg's (single thread) on the same two streams:
# 320 x 240 MPEG-1 and 720 x 576 interlaced MPEG-2, encoded here from lavfi's testsrc2.
# Usage: scripts/bench-video.sh [BUILD_DIR]   (the build needs -DZUB_BENCH=ON and bench_video)
# ZUB_BENCH_ROUNDS sets how many rounds each stream is measured for (default 5).
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

# ffmpeg decodes the stream ten times in one process, so its start-up hardly counts; its user CPU
# time is compared with our CPU time. On a shared machine one measurement can be off by a fifth
# either way, so the two take turns for several rounds and each round gives a ratio; the median
# ratio is the figure, with the best of each side beside it.
rounds=${ZUB_BENCH_ROUNDS:-5}
our_fps() {
  ZUB_BENCH_VIDEO_DIR=$dir "$build/bench/bench_video" --benchmark_filter="^BM_Decode$1\$" \
    --benchmark_format=csv 2>/dev/null | grep '^"BM_' | awk -F, '{printf "%.1f", $7}'
}
ffmpeg_fps() {
  local frames=$1 file=$2 utime
  utime=$(ffmpeg -hide_banner -nostats -loglevel info -benchmark -threads 1 -stream_loop 9 -i "$file" -f null - 2>&1 |
    sed -n 's/.*utime=\([0-9.]*\)s.*/\1/p')
  echo "scale=1; 10 * $frames / $utime" | bc
}
for stream in mpeg1_320x240:250:Mpeg1_320x240 mpeg2_720x576:100:Mpeg2_720x576; do
  IFS=: read -r file frames bench <<< "$stream"
  ext=m1v; [[ $file == mpeg2* ]] && ext=m2v
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
  printf '%-16s ratio %.2f (median of %d rounds: %s)   best: ours %8s fps, ffmpeg -threads 1 %8s fps\n' \
    "$file" "$median" "$rounds" "$(printf '%.2f ' "${ratios[@]}")" "$best_ours" "$best_theirs"
done
