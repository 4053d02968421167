#!/bin/sh
# Builds everything and runs the whole test suite; prints CTest's summary.
set -eu
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build
cd build
ctest --output-on-failure -j2
