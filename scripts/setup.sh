#!/usr/bin/env bash
# Installs the Debian packages Quarvex needs to build, test and run, if missing.
set -euo pipefail
packages=(
  build-essential cmake ninja-build ccache pkg-config clang libclang-rt-14-dev
  qt6-base-dev libqt6opengl6-dev qt6-translations-l10n libgl-dev libglu1-mesa-dev libgl1-mesa-dri
  libtbb-dev libgtest-dev libgmock-dev libbenchmark-dev libstb-dev libassimp-dev
  libpng-dev libjpeg62-turbo-dev libgif-dev
  xvfb xauth xdotool imagemagick netpbm fonts-dejavu-core
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO=sudo
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
