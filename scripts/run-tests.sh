#!/bin/sh
# Builds both builds and runs both test suites: the native one (build/) and the
# Windows one (build-win/, Tavik.dll and its tests under Wine and Xvfb).
# Prints CTest's summary of each; fails when either suite fails.
set -eu
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh windows

echo "== native build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build
# A private session bus: the plugin looks for the running host there.
(cd build && dbus-run-session -- ctest --output-on-failure -j2)
sh scripts/run-hardening.sh

echo "== Windows build (under Wine)"
cmake -S . -B build-win -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE=cmake/i686-w64-mingw32.cmake >/dev/null
cmake --build build-win
export TAVIK_WINEPREFIX="$PWD/build-win/wineprefix"
# One display for the whole Windows part: Wine's services started while the prefix
# is created must be able to open windows later too (COM's running object table
# lives in such a service).
xvfb-run -a sh -c '
    set -e
    # Create the Wine prefix once, before tests start in parallel.
    sh cmake/wine-run.sh build-win/bin/rules_tests.exe --gtest_list_tests >/dev/null
    cd build-win && ctest --output-on-failure -j2'
