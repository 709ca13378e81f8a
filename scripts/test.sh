#!/usr/bin/env bash
# Checks the layers, builds everything and runs every test: the release tree with all tests (GUI tests offscreen), then
# the README's main command headless, then the Debian package made from the release tree, then the core tests again
# built with AddressSanitizer and UndefinedBehaviorSanitizer, then the tests of the threaded parts built with
# ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/check-layers.sh
# Unity sources here too (headers parsed once per batch of files): the CI only needs the programs
# and tests, and a plain build of build.sh still compiles every file on its own.
./scripts/build.sh -DCMAKE_UNITY_BUILD=ON -DCMAKE_UNITY_BUILD_BATCH_SIZE=8
(cd build && ctest --output-on-failure -j2)
# The README's main command, as a new user without a display runs it.
./scripts/check-run.sh
# The Debian package made from this release tree, checked by lintian and run from a fresh root.
./scripts/check-package.sh

# The sanitizer trees are only built to run tests: unity sources (headers parsed once per batch of
# files, not once per file) and -O1 with line tables only, which the sanitizers' reports need.
SANITIZER_TREE=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG"
  -DCMAKE_UNITY_BUILD=ON -DCMAKE_UNITY_BUILD_BATCH_SIZE=8 -DDEDEZUVIV_BUILD_GUI=OFF -DDEDEZUVIV_BUILD_BENCHMARKS=OFF)

cmake -S . -B build-asan "${SANITIZER_TREE[@]}" -DDEDEZUVIV_SANITIZE=ON >/dev/null
cmake --build build-asan -j2
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j2)

# The threaded parts again with ThreadSanitizer: the serial port's worker, the data source's hand-off to
# the main thread, the network server and the MQTT publisher's thread. Only their tests, to keep the run
# short.
cmake -S . -B build-tsan "${SANITIZER_TREE[@]}" -DDEDEZUVIV_TSAN=ON >/dev/null
cmake --build build-tsan -j2 --target test_device test_model test_app
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1"
build-tsan/tests/test_device --gtest_brief=1 --gtest_filter='SerialLine.*:SerialSettings.*'
build-tsan/tests/test_model --gtest_brief=1 --gtest_filter='DataSource*:LiveState*'
build-tsan/tests/test_app --gtest_brief=1 \
  --gtest_filter='ServerFixture.*:TCPDataServer.*:MqttBrokerTest.PublisherSendsTheLatestStateAndSaysOfflineOnStop:MqttBrokerTest.ConfigsAreSentAgainWhenHomeAssistantAnnouncesItself:MqttBrokerTest.TheLinkFollowsTheRecords-ServerFixture.ClientSilentForFiveSecondsIsClosedWithoutAnswer'
