#!/bin/sh
# Builds and runs every check in three steps: the native suite (build/), the
# hardening checks (scripts/run-hardening.sh) and the Windows suite (build-win/,
# Tavik.dll and its tests under Wine and Xvfb). A failing step, its build included,
# does not stop the later ones. Prints each step's summary as it goes and one line
# per step at the end; fails when any step failed.
set -eu
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh windows

# The steps are called as conditions, where set -e does not act: hence the &&.
native() {
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null &&
        cmake --build build &&
        # A private session bus: the plugin looks for the running host there.
        (cd build && dbus-run-session -- ctest --output-on-failure -j2) &&
        sh scripts/check-package.sh build
}

hardening() {
    sh scripts/run-hardening.sh
}

windows() {
    cmake -S . -B build-win -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE=cmake/i686-w64-mingw32.cmake >/dev/null &&
        cmake --build build-win || return 1
    export TAVIK_WINEPREFIX="$PWD/build-win/wineprefix"
    # One display for the whole Windows part: Wine's services started while the prefix
    # is created must be able to open windows later too (COM's running object table
    # lives in such a service).
    xvfb-run -a sh -c '
        set -e
        # Create the Wine prefix once, before tests start in parallel.
        sh cmake/wine-run.sh build-win/bin/rules_tests.exe --gtest_list_tests >/dev/null
        cd build-win && ctest --output-on-failure -j2'
}

results=""
failed=0
# Runs the step function $1 under the title $2 and notes how it ended.
step() {
    echo "== $2"
    if "$1"; then
        results="$results$2: pass
"
    else
        results="$results$2: FAIL
"
        failed=1
    fi
}

step native "native build and tests (build/)"
step hardening "hardening (scripts/run-hardening.sh)"
step windows "Windows build and tests under Wine (build-win/)"

echo "== steps"
printf '%s' "$results"
exit "$failed"
