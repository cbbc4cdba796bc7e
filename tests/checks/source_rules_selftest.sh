#!/bin/bash
# source_rules.sh must fail on each kind of breach and pass on a clean tree.
set -u
here=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$tmp/src/core" "$tmp/src/image" "$tmp/src/shell"
printf '#include "core/failure.h"\nint f() { return 0; }\n' > "$tmp/src/core/ok.cpp"
printf 'void end() { zub::fatal(1, "bye\\n"); exit(1); }\n' > "$tmp/src/shell/app.cpp"
printf 'void teardown() { _exit(1); atexit(nullptr); }\n' > "$tmp/src/image/fine.cpp"
bash "$here/source_rules.sh" "$tmp" || { echo "a clean tree was rejected"; exit 1; }

printf 'void load() { if (!p) exit(1); }\n' > "$tmp/src/image/bad.cpp"
bash "$here/source_rules.sh" "$tmp" >/dev/null && { echo "exit( in src/image went unnoticed"; exit 1; }
rm "$tmp/src/image/bad.cpp"

printf 'void load() { zub::fatal(1, "no\\n"); }\n' > "$tmp/src/image/bad.cpp"
bash "$here/source_rules.sh" "$tmp" >/dev/null && { echo "zub::fatal( in src/image went unnoticed"; exit 1; }
rm "$tmp/src/image/bad.cpp"

mkdir -p "$tmp/src/scenes"
printf 'void step() { stopIfFailed(frame->scroll()); }\n' > "$tmp/src/scenes/bad.cpp"
bash "$here/source_rules.sh" "$tmp" >/dev/null && { echo "stopIfFailed( in src/scenes went unnoticed"; exit 1; }
rm "$tmp/src/scenes/bad.cpp"

printf '#include "image/bitmap.h"\n' > "$tmp/src/core/bad.h"
bash "$here/source_rules.sh" "$tmp" >/dev/null && { echo "core including image went unnoticed"; exit 1; }
rm "$tmp/src/core/bad.h"

mkdir -p "$tmp/src/capture"
printf '#include "scenes/scene_table.h"\n' > "$tmp/src/capture/bad.cpp"
bash "$here/source_rules.sh" "$tmp" >/dev/null && { echo "capture including the scene table went unnoticed"; exit 1; }
echo "source rules catch every breach"
