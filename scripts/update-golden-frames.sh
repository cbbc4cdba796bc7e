#!/usr/bin/env bash
# Regenerates tests/data/golden_frames.txt: hashes of chosen frames of every scene, rendered on
# the virtual clock from the committed asset pack. Run it only after a deliberate change of what
# the demo draws, and look at the frames (zubrender --sheet) before committing the new hashes.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C build test_timeline >/dev/null
# Frames one second apart, from the first to the last of the timeline, and the two frames of the
# rotating portrait whose angle lies a hair below a whole degree (it must truncate, not round up).
{ seq 0 30 9000; echo 5843; echo 5864; } | sort -n | awk '{print $1, "?", "0"}' > tests/data/golden_frames.txt
out=$(mktemp)
# From the tests' own folder, where the pass leaves its pictures of the frames that differ (all of
# them, against the placeholder hashes).
(cd build/tests && ZUB_GOLDEN_OUT="$out" ./test_timeline --gtest_filter='*Golden*' >/dev/null) || true
mv "$out" tests/data/golden_frames.txt
echo "wrote $(wc -l < tests/data/golden_frames.txt) golden frames"
