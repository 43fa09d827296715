#!/usr/bin/env bash
# Fails on any include that points up the layers:
#   scene < textures, models < lighting < document < commands < tools < session
#   < render < ui < app;  cli sits on session.
# The headless core (scene ... session) and cli include no Qt and no OpenGL header.
set -euo pipefail
cd "$(dirname "$0")/.."

declare -A allowed=(
  [scene]="scene"
  [textures]="scene textures"
  [models]="scene models"
  [lighting]="scene textures models lighting"
  [document]="scene textures models lighting document"
  [commands]="scene textures models lighting document commands"
  [tools]="scene textures models lighting document commands tools"
  [session]="scene textures models lighting document commands tools session"
  [render]="scene textures models lighting document commands tools session render"
  [ui]="scene textures models lighting document commands tools session render ui"
  [app]="scene textures models lighting document commands tools session render ui app"
  [cli]="scene textures models lighting document commands tools session cli"
)
headless="scene textures models lighting document commands tools session cli"

bad=0
for layer in "${!allowed[@]}"; do
  [ -d "$layer" ] || continue
  while IFS=: read -r file line text; do
    target=$(sed -E 's/.*#include "([^/"]+)\/.*/\1/' <<<"$text")
    [ "$target" = "$text" ] && continue  # no folder in the include
    if [[ " ${allowed[$layer]} " != *" $target "* ]]; then
      echo "$file:$line: $layer may not include $target: $text"
      bad=1
    fi
  done < <(grep -nE '^\s*#\s*include\s+"' -r "$layer" --include='*.h' --include='*.cpp' || true)
  if [[ " $headless " == *" $layer "* ]]; then
    while IFS= read -r hit; do
      echo "$hit: no Qt or OpenGL in the headless core"
      bad=1
    done < <(grep -nE '^\s*#\s*include\s+[<"](Q[A-Za-z]*|Qt[A-Za-z]*/|GL/|qopengl|qt[a-z]*\.h)' -r "$layer" \
               --include='*.h' --include='*.cpp' || true)
  fi
done
[ "$bad" -eq 0 ] && echo "layers: every include points down"
exit "$bad"
