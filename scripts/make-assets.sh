#!/usr/bin/env bash
# Regenerates the asset pack in data/ with zubassets. The result is deterministic and committed.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C build zubassets >/dev/null
./build/zubassets --out data
