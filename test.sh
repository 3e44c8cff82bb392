#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer and runs every test:
# the offscreen ones first, then those that need a real X server and window manager under Xvfb
# with openbox, then the Debian package and its checks, then a short run of the fuzz targets.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh

jobs=$(nproc)
# Every target of a plain configure, the benchmarks included, so that none can rot unseen; the
# benchmarks are built, not run.
cmake --preset asan >/dev/null
cmake --build --preset asan -j "$jobs"

ctest --preset asan -j "$jobs"
./scripts/with-xvfb.sh ctest --preset asan-x11

./scripts/test-package.sh

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"
./scripts/run-fuzz.sh build/fuzz
