#!/usr/bin/env bash
# Checks the layers, builds everything and runs every test: the release tree with all tests (GUI tests offscreen), then
# the README's main command headless, then the core tests again built with AddressSanitizer and UndefinedBehaviorSanitizer,
# then the tests of the threaded parts built with ThreadSanitizer.
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

# The threaded parts again with ThreadSanitizer: the serial port's worker, the data source's hand-off to
# the main thread and the network server. Only their tests, to keep the run short.
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDEDEZUVIV_TSAN=ON \
  -DDEDEZUVIV_BUILD_GUI=OFF -DDEDEZUVIV_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build build-tsan -j2 --target test_device test_model test_app
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1"
build-tsan/tests/test_device --gtest_brief=1 --gtest_filter='SerialLine.*:SerialSettings.*'
build-tsan/tests/test_model --gtest_brief=1 --gtest_filter='DataSource*:LiveState*'
build-tsan/tests/test_app --gtest_brief=1 \
  --gtest_filter='ServerFixture.*:TCPDataServer.*-ServerFixture.ClientSilentForFiveSecondsIsClosedWithoutAnswer'
