#!/usr/bin/env bash
# Sets up everything and runs the whole test suite:
#   1. the editor build: core, CLI, GUI tests (under Xvfb) through CTest;
#   2. the core tests again with AddressSanitizer and UndefinedBehaviorSanitizer;
#   3. every fuzz target for a short, fixed number of runs.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/check_layers.sh

logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT

bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQX_BENCH=ON
export XDG_CONFIG_HOME
XDG_CONFIG_HOME=$(mktemp -d)
xvfb-run -a -s '-screen 0 1280x1024x24' ctest --test-dir build --output-on-failure -j 2 | tee "$logs/main.log"

bash scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DQX_CORE_ONLY=ON -DQX_SANITIZE=ON -DQX_BENCH=OFF
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j 2 | tee "$logs/asan.log"

bash scripts/fuzz.sh 2000

# One closing line over both CTest runs.
passed=0
failed=0
for f in "$logs"/main.log "$logs"/asan.log; do
  line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$f" | tail -n 1)
  total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line")
  bad=$(sed -E 's/.*, ([0-9]+) tests failed.*/\1/' <<<"$line")
  passed=$((passed + total - bad))
  failed=$((failed + bad))
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
