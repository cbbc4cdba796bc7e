#!/usr/bin/env bash
# Builds the demo (Release, in build/) and runs it with data/ as its working directory; any
# arguments go to zubdemo (./run.sh --window, ./run.sh --help).
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
# A fresh clone takes about a minute to build: show ninja's progress rather than nothing.
echo "run.sh: building the demo in build/ ..." >&2
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C build zubdemo >&2
cd data
exec ../build/zubdemo "$@"
