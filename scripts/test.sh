#!/bin/sh
# Installs what is missing, builds, and runs every test twice: in build/ as built for use with
# GCC, then in build-asan/ built with clang under AddressSanitizer and UndefinedBehaviorSanitizer
# (any report fails the run), where the fuzz targets are libFuzzer binaries. Both runs replay
# every fuzz corpus once (tests/fuzz). Both builds treat every warning of our code as an error,
# so a warning one compiler gives and the other does not cannot land either. The tests run in a
# network namespace of their own where the machine allows one, so no test traffic can leave the
# machine; before any build, no test may wait a fixed time (scripts/check-test-waits.sh).
#   scripts/test.sh                    both runs
#   scripts/test.sh --no-sanitizers    the first run only
set -eu
cd "$(dirname "$0")/.."
scripts/check-test-waits.sh
scripts/install-deps.sh --test

launcher=""
command -v ccache >/dev/null 2>&1 && launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUENDAL_WERROR=ON \
    $launcher >/dev/null
cmake --build build -j "$(nproc)"

if [ "$(id -u)" -eq 0 ]; then
    isolate="unshare -n"
else
    isolate="unshare -rn"
fi
if $isolate true 2>/dev/null; then
    echo "test: running in an isolated network namespace" >&2
else
    echo "test: no network namespace available here; running on the machine's own network" >&2
    isolate=""
fi
# In a session of its own, a signal a test sends to its process group by mistake stops that
# test's run, not this script.
run_tests() {
    tests="setsid --wait ctest --test-dir $1 --output-on-failure -j 2 --timeout $2"
    if [ -n "$isolate" ]; then
        $isolate sh -c "ip link set lo up && $tests"
    else
        $tests
    fi
}

run_tests build 300
[ "${1:-}" = "--no-sanitizers" ] && exit 0

echo "test: the whole suite again built with clang, under AddressSanitizer and" \
    "UndefinedBehaviorSanitizer, the fuzz targets with libFuzzer" >&2
scripts/install-deps.sh --fuzz
# A build-asan/ configured for another compiler (as before) is configured afresh.
if [ -f build-asan/CMakeCache.txt ] && ! grep -q '^CMAKE_CXX_COMPILER:[A-Z]*=.*clang' build-asan/CMakeCache.txt; then
    rm -rf build-asan/CMakeCache.txt build-asan/CMakeFiles
fi
# QUENDAL_FUZZ turns the sanitizers on for everything; no benchmarks, as they measure nothing here.
CC=clang CXX=clang++ cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUENDAL_FUZZ=ON -DQUENDAL_WERROR=ON -DQUENDAL_BUILD_BENCHMARKS=OFF $launcher >/dev/null
cmake --build build-asan -j "$(nproc)"
# Qt is not built with the sanitizers; the suppressions name what it does on its own (see there).
ASAN_OPTIONS="detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1"
LSAN_OPTIONS="suppressions=$(pwd)/tests/sanitizer/lsan.supp:print_suppressions=0"
UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS
run_tests build-asan 600
