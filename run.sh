#!/usr/bin/env bash
# Builds the demo (Release, in build/) and runs it with data/ as its working directory.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C build zubdemo >/dev/null
cd data
exec ../build/zubdemo
