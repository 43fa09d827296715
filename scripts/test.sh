#!/usr/bin/env bash
# Sets up everything and runs the whole test suite:
#   1. the editor build: core, CLI, GUI tests (under Xvfb) through CTest;
#   2. the core tests again with AddressSanitizer and UndefinedBehaviorSanitizer;
#   3. every fuzz target for a short, fixed number of runs.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQX_BENCH=ON
export XDG_CONFIG_HOME
XDG_CONFIG_HOME=$(mktemp -d)
xvfb-run -a -s '-screen 0 1280x1024x24' ctest --test-dir build --output-on-failure -j 2

bash scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DQX_CORE_ONLY=ON -DQX_SANITIZE=ON -DQX_BENCH=OFF
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --test-dir build-asan --output-on-failure -j 2

bash scripts/fuzz.sh 2000
