#!/usr/bin/env bash
# Regenerates the pictures the README shows: the contact sheet of every scene step and a
# spectrogram of the tune.
set -euo pipefail
cd "$(dirname "$0")/.."
ZUB_WITH_TOOLS=1 ./scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C build zubrender >/dev/null
mkdir -p docs
(cd data && ../build/zubrender --quiet --no-progress --sheet ../docs/contact-sheet.png)
wav=$(mktemp --suffix=.wav)
trap 'rm -f "$wav"' EXIT
(cd data && ../build/zubrender --quiet --no-progress --to 170 --audio "$wav")
sox "$wav" -n remix 1,2 rate 16k spectrogram -x 1200 -y 300 -t "music.dat: the first 170 seconds" -o docs/tune-spectrogram.png
echo "wrote docs/contact-sheet.png and docs/tune-spectrogram.png"
