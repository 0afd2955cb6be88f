#!/usr/bin/env bash
# Installs every Debian 12 package that building, testing, benchmarking and the
# GUI need. Safe to run again: packages already present are not fetched twice.
set -euo pipefail

packages=(
  # toolchain
  g++ cmake ninja-build ccache pkg-config git
  # libraries the core links
  libtiff-dev libgeotiff-dev libjpeg62-turbo-dev libpng-dev zlib1g-dev
  # GUI and 3D view
  libwxgtk3.2-dev libgl1-mesa-dev libglu1-mesa-dev
  # the toolkit's own translations: stock buttons and dialogs in the user's language
  wx3.2-i18n
  # scanning: the SANE library (with its `test` backend) and scanimage as the oracle
  libsane1 libsane-dev sane-utils
  xvfb xauth fonts-noto-cjk fonts-dejavu-core
  # the desktop's opener, which shows side files in the user's text editor
  xdg-utils
  # the start-up tests: a window manager, and X clients that read and drive the display
  openbox xdotool x11-utils
  # tests and benchmarks
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  # independent oracles used by the tests
  gdal-bin proj-bin proj-data geotiff-bin libtiff-tools imagemagick potrace
  python3 python3-gdal python3-pyproj python3-ezdxf python3-numpy python3-pil
  python3-scipy python3-skimage python3-shapely python3-opencv python3-pyshp
  python3-dbfread admesh python3-stl
  # printed pages rendered to pictures
  ghostscript poppler-utils
  # real geodata (rivers, regions, points) the vector import tests convert with ogr2ogr
  python3-networkx
  # Open CASCADE's command shell, whose IGES reader checks the IGES export
  occt-draw
  # German and French locales, for the tests that numbers keep a '.' under them;
  # Chinese, for the window's stock dialogs in the user's language
  locales
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  apt-get install -y --no-install-recommends "${missing[@]}"
fi

# The locale tests need de_DE.UTF-8, fr_FR.UTF-8 and zh_CN.UTF-8; generate them
# only when `locale -a` lacks them (it lists them as de_DE.utf8).
for loc in de_DE fr_FR zh_CN; do
  if ! locale -a 2>/dev/null | grep -qiE "^${loc}\.utf-?8\$"; then
    # localedef exits 1 on mere warnings even though it wrote the locale
    localedef -i "$loc" -c -f UTF-8 "$loc.UTF-8" || echo "localedef $loc.UTF-8 exited $?" >&2
  fi
done
