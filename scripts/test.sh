#!/usr/bin/env bash
# Checks the layers, builds everything and runs every test: the release tree with all tests (GUI tests offscreen), then
# the README's main command headless, then the core tests again built with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/check-layers.sh
./scripts/build.sh
(cd build && ctest --output-on-failure -j2)
# The README's main command, as a new user without a display runs it.
./scripts/check-run.sh

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDEDEZUVIV_SANITIZE=ON \
  -DDEDEZUVIV_BUILD_GUI=OFF -DDEDEZUVIV_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build build-asan -j2
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j2)
