#!/usr/bin/env bash
# Configures and builds the release tree in build/ (installs missing Debian packages first).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
# Arguments are passed on to CMake (scripts/test.sh adds its build-speed settings).
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
cmake --build build -j2
