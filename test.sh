#!/usr/bin/env bash
# Builds everything (Release, in build/) and runs all tests through ctest: unit tests of every
# subsystem and the end-to-end tests of the real window under Xvfb.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DZUB_TESTS=ON -DZUB_BENCH=ON >/dev/null
ninja -C build
ctest --test-dir build --output-on-failure -j "$(nproc)" "$@"
