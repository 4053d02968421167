#!/bin/sh
# Hardening checks, each of which must come out clean:
#  1. the libFuzzer targets of fuzz/ (build-fuzz/), each for FUZZ_SECONDS (30) seconds,
#     on a copy of its seed corpus so that the repository stays as it is;
#  2. the native test suite built with AddressSanitizer and UBSan (build-asan/);
#  3. the export tests of the Release build (build/) under Valgrind;
#  4. the product built with clang's -Wthread-safety as errors (build-tsa/);
#  5. the host tests built with ThreadSanitizer (build-tsan/).
# A finding in one stage does not skip the others; the script fails at the end.
set -eu
cd "$(dirname "$0")/.."
root=$PWD
started=$(date +%s)
seconds=${FUZZ_SECONDS:-30}

sh scripts/install-deps.sh
# clang with its runtime libraries for libFuzzer and the sanitizers; Valgrind.
packages="clang libclang-rt-14-dev valgrind"
missing=""
for package in $packages; do
    dpkg -s "$package" >/dev/null 2>&1 || missing="$missing $package"
done
if [ -n "$missing" ]; then
    echo "Installing:$missing"
    if [ "$(id -u)" -ne 0 ]; then sudo=sudo; else sudo=; fi
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq $missing >/dev/null
fi

failed=""
stage_start=0
begin() {
    stage_start=$(date +%s)
    echo "== $1"
}
end() {
    echo "   ($(($(date +%s) - stage_start)) s)"
}

begin "fuzzers, $seconds s each"
CC=clang CXX=clang++ cmake -S fuzz -B build-fuzz -G Ninja >/dev/null
cmake --build build-fuzz
for spec in fuzz_exports:4096 fuzz_profile_text:4096 fuzz_pe_version:20000 \
        fuzz_adif:16384 fuzz_adif_halves:16384 fuzz_cabrillo:16384 fuzz_country_file:20000; do
    target=${spec%%:*}
    max_len=${spec#*:}
    work=$root/build-fuzz/run/$target
    rm -rf "$work"
    mkdir -p "$work/corpus"
    # The halves reading takes the seeds of the reading it is held against.
    cp fuzz/corpus/${target%_halves}/* "$work/corpus/"
    extra=""
    # The plugin's message boxes go to standard error: keep them out of the log.
    [ "$target" = fuzz_exports ] && extra="-close_fd_mask=2"
    # Absolute paths only: fuzz_exports changes into a folder of its own at start.
    if (cd "$work" && "$root/build-fuzz/$target" -max_total_time="$seconds" \
            -max_len="$max_len" -timeout=20 -print_final_stats=1 \
            -artifact_prefix="$work/" $extra "$work/corpus" >"$work/fuzz.log" 2>&1); then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/fuzz.log")
        done_line=$(grep -E '^#[0-9]+[[:space:]]+DONE' "$work/fuzz.log" | tail -n 1)
        coverage=$(echo "$done_line" | sed -n 's/.*\(cov: [0-9]* ft: [0-9]*\).*/\1/p')
        units=$(echo "$done_line" | sed -n 's/.*corp: \([0-9]*\/[0-9a-zA-Z]*\).*/\1/p')
        echo "$target: $runs executions, $coverage, corpus $units"
    else
        echo "$target: FINDING (log: $work/fuzz.log)"
        grep -E 'fuzz_|ERROR|SUMMARY|Test unit written|#[0-9]+ 0x' "$work/fuzz.log" | head -n 40
        failed="$failed $target"
    fi
done
end

begin "native tests with AddressSanitizer and UBSan (build-asan)"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVIK_BUILD_BENCH=OFF \
    -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer" \
    >/dev/null
cmake --build build-asan
export ASAN_OPTIONS=detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1
export LSAN_OPTIONS=suppressions=$root/scripts/lsan-suppressions.txt
# export_tests replaces operator new with a malloc-based one it can make fail, but not
# the nothrow form, which the standard routes through it; the sanitizer's runtime
# serves that form itself, so memory from it reaches free() as a false mismatch.
# That program runs on its own, without the mismatch check; everything else with it.
export_tests=$(build-asan/bin/export_tests --gtest_list_tests |
    awk '/^[^ ]/ { suite = $1; next } { print suite $1 }' | sed 's/[.]/\\./g' | paste -sd'|')
# A private session bus, as in run-tests.sh: the plugin looks for the running host there.
if ! (cd build-asan && dbus-run-session -- ctest --output-on-failure -j2 -E "^($export_tests)\$"); then
    failed="$failed asan-tests"
fi
if ! (cd build-asan/tests &&
        ASAN_OPTIONS=detect_leaks=1:alloc_dealloc_mismatch=0 \
        dbus-run-session -- ../bin/export_tests --gtest_brief=1); then
    failed="$failed asan-export-tests"
fi
unset ASAN_OPTIONS UBSAN_OPTIONS LSAN_OPTIONS
end

begin "export tests of the Release build under Valgrind"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --target export_tests
# The program's own operator new must stay in place (it makes allocations fail on
# purpose), where Valgrind would put its own; malloc and free stay tracked. As with the
# sanitizer, the nothrow form it leaves to the runtime then looks like a mismatch, so
# only that check is off; invalid and double frees are still errors.
if ! (cd build && dbus-run-session -- valgrind --error-exitcode=1 --leak-check=full \
        --soname-synonyms=somalloc=nouserintercepts --show-mismatched-frees=no \
        bin/export_tests --gtest_brief=1); then
    failed="$failed valgrind-export-tests"
fi
end

begin "clang's thread-safety analysis, warnings as errors (build-tsa)"
CC=clang CXX=clang++ cmake -S . -B build-tsa -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DTAVIK_BUILD_TESTS=OFF -DTAVIK_BUILD_BENCH=OFF \
    -DCMAKE_CXX_FLAGS="-Wthread-safety -Werror=thread-safety" >/dev/null
if ! cmake --build build-tsa; then
    failed="$failed thread-safety"
fi
end

begin "host tests with ThreadSanitizer (build-tsan)"
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVIK_BUILD_BENCH=OFF \
    -DCMAKE_CXX_FLAGS="-fsanitize=thread -fno-omit-frame-pointer" >/dev/null
host_tests="host_input_tests host_session_tests host_live_tests host_cli_tests"
cmake --build build-tsan --target $host_tests live_view_tests tavik-host Tavik
for tests in $host_tests; do
    if ! (cd build-tsan/tests && TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
            dbus-run-session -- ../bin/$tests --gtest_brief=1); then
        failed="$failed tsan-$tests"
    fi
done
end

echo "== hardening done in $(($(date +%s) - started)) s"
if [ -n "$failed" ]; then
    echo "FAILED:$failed"
    exit 1
fi
