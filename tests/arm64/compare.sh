#!/usr/bin/env bash
# The arm64 programs under qemu-user give the native build's bytes: zubrender renders the whole timeline
# on both, every frame written as PNG, and every frame must be the same file (so every 30th frame and
# every stretch of consecutive frames in each scene), with the same soundtrack WAV and the same flash
# report; zubclip decodes every test stream of tests/data/video to the same raw pictures with the same
# exit status.
# Usage: tests/arm64/compare.sh NATIVE_BUILD ARM64_BUILD  (scripts/build-arm64.sh --check runs it).
# qemu-aarch64-static runs the arm64 programs with the arm64 loader and libraries that multiarch installed.
set -u
source=$(cd "$(dirname "$0")/../.." && pwd)
native=$(cd "${1:?usage: compare.sh NATIVE_BUILD ARM64_BUILD}" && pwd)
arm=$(cd "${2:?usage: compare.sh NATIVE_BUILD ARM64_BUILD}" && pwd)
work="$source/build-deb/arm64-check"
rm -rf "$work"
mkdir -p "$work"
failures=0
passes=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
ok() { echo "ok: $*"; passes=$((passes + 1)); }
start=$(date +%s)
say() { echo "compare.sh: $* ($(( $(date +%s) - start ))s)" >&2; }
qemu=$(command -v qemu-aarch64-static || command -v qemu-aarch64 || true)
[ -n "$qemu" ] || { echo "compare.sh: qemu-aarch64-static is missing (scripts/build-arm64.sh installs it)"; exit 1; }
[ -e /lib/ld-linux-aarch64.so.1 ] || { echo "compare.sh: no arm64 loader (the libc6:arm64 package)"; exit 1; }
lock() { flock /tmp/zub-build.lock "$@"; }

# 1. The whole timeline, each build in turn (the lock held: a render is a heavy run).
render() {
  local name=$1
  shift
  mkdir -p "$work/$name"
  (cd "$source/data" && lock nice -n 19 "$@" --quiet --no-progress --out "$work/$name/frames" \
    --audio "$work/$name/sound.wav" --flash-report "$work/$name/flashes.json") >"$work/$name/render.log" 2>&1 ||
    { fail "$name zubrender"; tail -n 5 "$work/$name/render.log"; }
  # Hashes kept, pictures dropped: the two full sets would take about a gigabyte.
  (cd "$work/$name/frames" && sha256sum -- *.png) >"$work/$name/frames.sums" 2>/dev/null
  rm -rf "$work/$name/frames"
}
say "rendering the timeline natively"
render native "$native/zubrender"
say "rendering the timeline on arm64 under qemu-user"
render arm64 "$qemu" "$arm/zubrender"
say "comparing"

frames=$(wc -l <"$work/native/frames.sums")
frame_of() { sed -n 's/.*frame_0*\([0-9][0-9]*\)\.png$/\1/p'; }
if [ "$frames" -lt 8000 ]; then
  fail "the native render wrote only $frames frames"
elif diff "$work/native/frames.sums" "$work/arm64/frames.sums" >"$work/frames.diff"; then
  every30=$(frame_of <"$work/native/frames.sums" | awk '$1 % 30 == 0' | wc -l)
  ok "all $frames frames identical, every 30th ($every30 frames) among them"
else
  differing=$(grep -c '^>' "$work/frames.diff")
  fail "$differing of $frames frames differ (first: frame $(grep -m1 '^<' "$work/frames.diff" | frame_of))"
fi
# The frames of each scene, from the scene table: each scene's run of consecutive frames compared.
"$native/zubassets" --scene-times >"$work/scenes.txt"
awk -v scenes="$work/scenes.txt" -v arm="$work/arm64/frames.sums" '
  BEGIN {
    n = 0
    while ((getline line < scenes) > 0) { split(line, f, " "); start[n] = int(f[1] * 30 + 0.999); name[n] = f[2]; n++ }
    while ((getline line < arm) > 0) { split(line, f, "  "); armsum[f[2]] = f[1] }
  }
  { frame = $2; sub(/^frame_0*/, "", frame); sub(/\.png$/, "", frame); frame = frame + 0
    for (i = 0; i + 1 < n && frame >= start[i + 1]; i++) {}
    total[i]++; if (armsum[$2] == $1) same[i]++ }
  END { for (i = 0; i + 1 < n; i++) print name[i], start[i], start[i + 1], total[i] + 0, same[i] + 0 }
' "$work/native/frames.sums" >"$work/scene-counts.txt"
while read -r scene first last total same; do
  [ "$total" -gt 0 ] && [ "$same" -eq "$total" ] && ok "$scene: frames $first-$((last - 1)), $same consecutive frames identical" ||
    fail "$scene: $same of $total frames identical"
done <"$work/scene-counts.txt"
if [ -s "$work/native/sound.wav" ] && cmp -s "$work/native/sound.wav" "$work/arm64/sound.wav"; then
  ok "soundtrack WAV identical ($(stat -c %s "$work/native/sound.wav") bytes)"
else
  fail "soundtracks differ: $(cmp "$work/native/sound.wav" "$work/arm64/sound.wav" 2>&1 | head -n 1)"
fi
cmp -s "$work/native/flashes.json" "$work/arm64/flashes.json" && [ -s "$work/native/flashes.json" ] &&
  ok "flash report identical" || fail "flash reports differ"

# 2. zubclip: every test stream, the same pictures and the same exit status (also for the streams it refuses).
say "decoding the test streams"
streams=0 same=0
for stream in "$source"/tests/data/video/*.m1v "$source"/tests/data/video/*.m2v "$source"/tests/data/video/*.mpg \
  "$source"/tests/data/video/*.ts "$source"/tests/data/video/*.bin; do
  [ -f "$stream" ] || continue
  name=$(basename "$stream")
  streams=$((streams + 1))
  "$native/zubclip" --quiet --yuv "$work/$name.native.yuv" "$stream" 2>/dev/null
  native_status=$?
  "$qemu" "$arm/zubclip" --quiet --yuv "$work/$name.arm64.yuv" "$stream" 2>/dev/null
  arm_status=$?
  if [ $native_status -eq $arm_status ] && cmp -s "$work/$name.native.yuv" "$work/$name.arm64.yuv" 2>/dev/null ||
    { [ $native_status -eq $arm_status ] && [ ! -e "$work/$name.native.yuv" ] && [ ! -e "$work/$name.arm64.yuv" ]; }; then
    same=$((same + 1))
  else
    fail "zubclip $name: status $native_status natively, $arm_status on arm64, or other samples"
  fi
  rm -f "$work/$name".*.yuv
done
[ $streams -gt 40 ] && [ $same -eq $streams ] && ok "zubclip: all $streams test streams decode to the same samples"

say "done"
echo "$passes passed, $failures failed"
[ $failures -eq 0 ]
