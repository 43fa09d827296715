#!/usr/bin/env bash
# Configures and builds one build tree: scripts/build.sh DIR [cmake options...]
set -euo pipefail
cd "$(dirname "$0")/.."
# ccache hits across clones of the project: paths are hashed relative to its root.
export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1
dir=$1
shift
cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
cmake --build "$dir" -j "$(nproc)"
