#!/usr/bin/env bash
# Fetches real third-party files that some GUI tests use when they are there:
# the MD2 model "faerie" and its skin, shipped by Debian's libirrlicht-doc
# package. Nothing is committed; without them the tests use generated files.
#   scripts/fetch_samples.sh BUILD_DIR   -> BUILD_DIR/samples/
set -uo pipefail
dest=${1:-build}/samples
[ -s "$dest/faerie.md2" ] && exit 0
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
download() { (cd "$tmp" && apt-get download libirrlicht-doc >/dev/null 2>&1); }
if ! download; then
  apt-get update -qq >/dev/null 2>&1
  download || { echo "samples: libirrlicht-doc not available; tests use generated models"; exit 0; }
fi
dpkg-deb -x "$tmp"/libirrlicht-doc_*.deb "$tmp/x" || exit 0
media="$tmp/x/usr/share/doc/libirrlicht-dev/media"
mkdir -p "$dest"
gunzip -c "$media/faerie.md2.gz" >"$dest/faerie.md2.part" && mv "$dest/faerie.md2.part" "$dest/faerie.md2"
gunzip -c "$media/faerie2.bmp.gz" >"$dest/faerie2.bmp"
# The skin is an 8-bit bitmap; a 24-bit copy of it can become a texture.
command -v convert >/dev/null && convert "$dest/faerie2.bmp" -type TrueColor BMP3:"$dest/faerie24.bmp" 2>/dev/null
echo "samples: $(ls "$dest" | tr '\n' ' ')"
