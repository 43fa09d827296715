#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each: scripts/fuzz.sh [RUNS]
# The seed corpus is written by the core tests (QX_SEED_DIR) into fuzz-corpus/.
set -euo pipefail
cd "$(dirname "$0")/.."
# ccache hits across clones of the project: paths are hashed relative to its root.
export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1
runs=${1:-2000}
# Only the fuzz targets are built here; the seeds come from the regular test
# build when there is one (the test command builds it first).
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQX_CORE_ONLY=ON -DQX_SANITIZE=ON -DQX_FUZZ=ON -DQX_BENCH=OFF >/dev/null
targets=()
for src in fuzz/*_fuzz.cpp; do targets+=(--target "$(basename "$src" .cpp)"); done
cmake --build build-fuzz -j "$(nproc)" "${targets[@]}"
seeder=build/tests/quarvex_core_tests
if [ ! -x "$seeder" ]; then
  cmake --build build-fuzz -j "$(nproc)" --target quarvex_core_tests
  seeder=build-fuzz/tests/quarvex_core_tests
fi
QX_SEED_DIR=$PWD/fuzz-corpus "$seeder" --gtest_filter='*Seed*' >/dev/null || true
shopt -s nullglob
count=0
for f in build-fuzz/fuzz/*_fuzz; do
  name=$(basename "$f" _fuzz)
  mkdir -p "fuzz-corpus/$name"
  work=$(mktemp -d)
  cp -r "fuzz-corpus/$name/." "$work/" 2>/dev/null || true
  # A model import runs assimp in a child process, a few a second: a tenth of the runs.
  n=$runs
  [ "$name" = model_import ] && n=$(((runs + 9) / 10))
  echo "fuzz $name: $n runs"
  "$f" -runs="$n" -max_len=65536 -timeout=10 -rss_limit_mb=2048 "$work" >"$work.log" 2>&1 \
    || { tail -n 40 "$work.log"; echo "fuzz target $name failed"; exit 1; }
  rm -rf "$work" "$work.log"
  count=$((count + 1))
done
echo "fuzz: $count targets passed"
