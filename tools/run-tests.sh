#!/usr/bin/env bash
# Builds everything and runs every test. --sanitize builds with ASan/UBSan in
# its own build folder.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build
flags=()
if [[ "${1:-}" == "--sanitize" ]]; then
  build=build-sanitize
  flags+=(-DQZN_SANITIZE=ON)
fi

jobs=$(nproc)
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${flags[@]}"
cmake --build "$build" -j "$jobs"
ctest --test-dir "$build" --output-on-failure -j "$jobs"
