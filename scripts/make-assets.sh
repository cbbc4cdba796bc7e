#!/usr/bin/env bash
# Regenerates the asset pack in data/: zubassets paints the pictures, builds the objects and
# composes the tune, and renders the clip's frames, which ffmpeg encodes as an MPEG-1 system
# stream with I, P and B pictures. The results are deterministic and committed.
set -euo pipefail
cd "$(dirname "$0")/.."
ZUB_WITH_FFMPEG=1 ./scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C build zubassets >/dev/null
frames=$(mktemp --suffix=.y4m)
trap 'rm -f "$frames"' EXIT
./build/zubassets --out data --clip-frames "$frames"
./build/zubassets --icons packaging/icons
# One group of pictures: the clip always plays from its start, and the bits of the I pictures a
# short group would repeat buy 1.4 dB more (PSNR 36.9 against 35.5 dB) in a 5% smaller file.
ffmpeg -nostdin -loglevel error -y -threads 1 -f yuv4mpegpipe -i "$frames" \
  -c:v mpeg1video -b:v 860k -maxrate 1800k -bufsize 1835k -g 200 -bf 2 -mbd rd -trellis 2 -cmp 2 -subcmp 2 \
  -flags +bitexact -fflags +bitexact \
  -f mpeg data/dat/guns.mpg
# The muxer leaves out the system stream's end code; the clip carries one.
printf '\x00\x00\x01\xb9' >> data/dat/guns.mpg
echo "asset pack written to data/ ($(du -sh data | cut -f1))"
