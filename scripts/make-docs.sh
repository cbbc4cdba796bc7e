#!/usr/bin/env bash
# Regenerates the pictures the README shows: the contact sheet of every scene step, and a
# spectrogram of the whole soundtrack with a labelled line where each scene starts, so the sync
# of music and picture can be seen at a glance.
set -euo pipefail
cd "$(dirname "$0")/.."
ZUB_WITH_TOOLS=1 ./scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C build zubrender zubassets >/dev/null
mkdir -p docs
(cd data && ../build/zubrender --quiet --no-progress --sheet ../docs/contact-sheet.png)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd data && ../build/zubrender --quiet --no-progress --audio "$work/tune.wav")
./build/zubassets --scene-times > "$work/scenes.txt"

# The bare spectrogram, five pixels a second, then a band above it for the labels.
end=$(awk '$2 == "end" { print $1 }' "$work/scenes.txt")
width=$(awk -v e="$end" 'BEGIN { printf "%d", e * 5 + 0.5 }')
sox "$work/tune.wav" -n remix 1,2 rate 16k spectrogram -r -x "$width" -y 320 -o "$work/bare.png"
font=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
filters="pad=iw:ih+64:0:48:black"
row=0
while read -r seconds name; do
  [ "$name" = end ] && continue
  x=$(awk -v s="$seconds" -v e="$end" -v w="$width" 'BEGIN { printf "%d", s / e * w + 0.5 }')
  y=$((4 + 14 * (row % 3)))
  label="${name#scene} ${seconds}s"
  filters+=",drawbox=x=$x:y=$((y + 12)):w=1:h=ih-$((y + 12 + 16)):color=yellow@0.9:t=fill"
  filters+=",drawtext=fontfile=$font:text='$label':x=$((x + 3)):y=$y:fontsize=11:fontcolor=yellow"
  row=$((row + 1))
done < "$work/scenes.txt"
filters+=",drawtext=fontfile=$font:text='music.dat over the whole timeline - ${end} s - 0 to 8 kHz - yellow lines mark the scene starts':x=6:y=h-14:fontsize=11:fontcolor=white"
ffmpeg -nostdin -loglevel error -y -i "$work/bare.png" -vf "$filters" docs/tune-spectrogram.png
echo "wrote docs/contact-sheet.png and docs/tune-spectrogram.png"
