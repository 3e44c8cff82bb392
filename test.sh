#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer and runs every test:
# the offscreen ones first, then those that need a real X server and window manager under Xvfb
# with openbox, then the Debian package and its checks, then a short run of the fuzz targets.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh

jobs=$(nproc)
cmake --preset asan >/dev/null
cmake --build --preset asan -j "$jobs"

export ASAN_OPTIONS=abort_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:abort_on_error=1:print_stacktrace=1
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"

QT_QPA_PLATFORM=offscreen ctest --test-dir build/asan --output-on-failure -j "$jobs" -LE x11

./scripts/with-xvfb.sh ctest --test-dir build/asan --output-on-failure -L x11

./scripts/test-package.sh

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"
./scripts/run-fuzz.sh build/fuzz
