#!/usr/bin/env bash
# Sets up everything, builds Quarvex and launches the editor.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
if [ ! -x build/quarvex ]; then
  echo "Built the core and its tools in build/; the editor window is not part of this build yet."
  exit 0
fi
exec build/quarvex "$@"
