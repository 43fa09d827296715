#!/usr/bin/env bash
# Sets up everything, builds Quarvex and launches the editor on the demo level
# (three lit rooms with portals and their texture library, written into
# build/demo/ by quarvex-cli). Extra arguments (.tex libraries, a .qxm
# document) are opened instead of the demo.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
build/quarvex-cli demo build/demo >/dev/null
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: start the editor from a desktop session, or try it under Xvfb:"
  echo "  xvfb-run -a -s '-screen 0 1280x1024x24' build/quarvex build/demo/demo.tex build/demo/demo.qxm"
  exit 1
fi
if [ $# -eq 0 ]; then
  # Documents keep no lightmaps: the demo is baked as it opens, so its first picture shows light and shadow.
  set -- --bake 16x16 build/demo/demo.tex build/demo/demo.qxm
fi
exec build/quarvex "$@"
