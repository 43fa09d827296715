#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each: scripts/fuzz.sh [RUNS [TARGET...]]
# (TARGET: a name such as image or model_import; all targets when none is given).
# The seed corpus is written by the core tests (QX_SEED_DIR) into fuzz-corpus/.
# Findings, and anything else libFuzzer writes, go to build-fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
# ccache hits across clones of the project: paths are hashed relative to its root.
export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1
runs=${1:-2000}
[ $# -gt 0 ] && shift
only=" $* "
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
  [ "$only" != "  " ] && [[ "$only" != *" $name "* ]] && continue
  mkdir -p "fuzz-corpus/$name"
  work=$(mktemp -d)
  cp -r "fuzz-corpus/$name/." "$work/" 2>/dev/null || true
  # A model import runs assimp in a child process, some dozens a second: a
  # tenth of the runs, at most QX_FUZZ_MODEL_RUNS (20000).
  # Its child may take 4 GiB: libFuzzer's limit for one allocation, which the
  # child inherits, lies above that, so that a child's large allocation fails
  # there quietly instead of being reported as the parent's.
  n=$runs
  limits=()
  if [ "$name" = model_import ]; then
    n=$(((runs + 9) / 10))
    [ "$n" -gt "${QX_FUZZ_MODEL_RUNS:-20000}" ] && n=${QX_FUZZ_MODEL_RUNS:-20000}
    limits=(-malloc_limit_mb=8192)
  fi
  artifacts=$PWD/build-fuzz/artifacts/$name/
  mkdir -p "$artifacts"
  echo "fuzz $name: $n runs"
  start=$SECONDS
  "$f" -runs="$n" -max_len=65536 -timeout=10 -rss_limit_mb=2048 -artifact_prefix="$artifacts" "${limits[@]}" "$work" \
    >"$work.log" 2>&1 || { tail -n 40 "$work.log"; echo "fuzz target $name failed"; exit 1; }
  echo "fuzz $name: $(grep -oE '^#[0-9]+' "$work.log" | tail -n 1 | tr -d '#') runs done in $((SECONDS - start)) s"
  rm -rf "$work" "$work.log"
  count=$((count + 1))
done
echo "fuzz: $count targets passed"
