#!/bin/sh
# Regenerates the bundled sample scan samples/contours.tif: a 1200 x 900
# contour-like 8-bit grey LZW TIFF made by the project's scan generator.
#
#   tools/make-sample.sh [build-dir]     (default: build)
#
# The generator is deterministic, so the same seed gives the same picture.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build"}
if [ ! -x "$build/bench/scangen" ]; then
  cmake --build "$build" --target scangen
fi
"$build/bench/scangen" --width 1200 --height 900 --seed 20 --min-width 1 --max-width 4 --lzw \
  -o "$root/samples/contours.tif"
echo "wrote $root/samples/contours.tif"
