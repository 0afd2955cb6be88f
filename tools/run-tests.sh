#!/usr/bin/env bash
# Builds everything and runs every test. --sanitize builds with ASan/UBSan in
# its own build folder. Tests labelled "gui" need a display: they run apart,
# under one Xvfb server, with the X11 backend of GTK. --tsan builds the core
# with ThreadSanitizer in build-tsan and runs the tests of the steps that run
# on several threads (not part of CI: it is slow and checks only them).
set -euo pipefail
cd "$(dirname "$0")/.."

build=build
flags=()
if [[ "${1:-}" == "--sanitize" ]]; then
  build=build-sanitize
  flags+=(-DQZN_SANITIZE=ON)
  # The window's tests load fonts and D-Bus, whose caches live as long as
  # the process; leaks of ours are still reported.
  export LSAN_OPTIONS="suppressions=$PWD/tools/lsan-system.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
fi

jobs=$(nproc)
if [[ "${1:-}" == "--tsan" ]]; then
  cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQZN_TSAN=ON -DQZN_BUILD_GUI=OFF \
    -DQZN_BUILD_BENCH=OFF
  cmake --build build-tsan -j "$jobs" --target qzn test_platform test_raster test_app test_cli
  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1${TSAN_OPTIONS:+ $TSAN_OPTIONS}" \
    ctest --test-dir build-tsan --output-on-failure -j "$jobs" \
    -R 'Threads\.|TiffThreads\.|TiffRead\.|SameFileOnEveryThreadCount|Vectorize\.|RegionTracer|RegionDepth|SkeletonTracer|Thin|Binarize|Histogram'
  exit 0
fi
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${flags[@]}"
cmake --build "$build" -j "$jobs"
ctest --test-dir "$build" --output-on-failure -j "$jobs" -LE gui
if ctest --test-dir "$build" -N -L gui | grep -q 'Total Tests: [1-9]'; then
  # Once with no locale at all (texts must still reach the toolkit whole)
  # and once under the locale of the program's users, zh_CN.UTF-8 (setup
  # generates it), under which GTK takes the X input method and the
  # toolkit's own texts are Chinese.
  env -u LANG -u LC_ALL -u LC_CTYPE GDK_BACKEND=x11 xvfb-run -a -s "-screen 0 1920x1080x24" \
    ctest --test-dir "$build" --output-on-failure -j "$jobs" -L gui
  # A missing locale would quietly run the C one instead.
  if ! locale -a 2>/dev/null | grep -qiE '^zh_CN\.utf-?8$'; then
    echo "the locale zh_CN.UTF-8 is missing: tools/setup-debian.sh generates it" >&2
    exit 1
  fi
  env -u LC_ALL -u LC_CTYPE -u LANGUAGE LANG=zh_CN.UTF-8 GDK_BACKEND=x11 xvfb-run -a -s "-screen 0 1920x1080x24" \
    ctest --test-dir "$build" --output-on-failure -j "$jobs" -L gui
fi
