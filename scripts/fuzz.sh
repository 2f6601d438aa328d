#!/bin/sh
# Builds the fuzz targets with clang and libFuzzer (AddressSanitizer and UndefinedBehaviorSanitizer
# on) into build-fuzz/, and fuzzes them from their checked-in corpora.
#   scripts/fuzz.sh                    every target, 60 seconds each
#   scripts/fuzz.sh TARGET [SECONDS]   one target (fuzz_intake, fuzz_proc_net, ...)
#   scripts/fuzz.sh all SECONDS        every target, SECONDS each
# New inputs go to build-fuzz/corpus/TARGET (the checked-in corpus is only read); a crash or a
# broken invariant leaves its input in build-fuzz/findings/TARGET. Minimise one with
#   build-fuzz/tests/fuzz/TARGET -minimize_crash=1 -runs=10000 INPUT
# and add it to tests/fuzz/corpus/TARGET so that every test run replays it.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh --fuzz

target="${1:-all}"
seconds="${2:-60}"
launcher=""
command -v ccache >/dev/null 2>&1 && launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
# -O1 and line tables only: quick to build, fast enough to fuzz, and stack traces still name lines.
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=None -DCMAKE_CXX_FLAGS="-O1 -gline-tables-only" \
    -DCMAKE_CXX_COMPILER=clang++ -DQUENDAL_FUZZ=ON -DQUENDAL_BUILD_BENCHMARKS=OFF $launcher >/dev/null

targets=$(sed -n 's/^ *\(fuzz_[a-z_]*\):.*/\1/p' tests/fuzz/CMakeLists.txt)
if [ "$target" != "all" ]; then
    echo "$targets" | grep -qx "$target" || { echo "fuzz: no target $target; one of:" $targets >&2; exit 2; }
    targets="$target"
fi
# shellcheck disable=SC2086
cmake --build build-fuzz -j "$(nproc)" --target $targets

status=0
for t in $targets; do
    mkdir -p "build-fuzz/corpus/$t" "build-fuzz/findings/$t"
    echo "fuzz: $t for $seconds s" >&2
    # Inputs up to 64 KiB: long log lines and port-definition lines need room.
    if ! "build-fuzz/tests/fuzz/$t" -max_total_time="$seconds" -max_len=65536 -timeout=10 \
        -print_final_stats=1 -artifact_prefix="build-fuzz/findings/$t/" \
        "build-fuzz/corpus/$t" "tests/fuzz/corpus/$t"; then
        echo "fuzz: $t found a problem; its input is in build-fuzz/findings/$t" >&2
        status=1
    fi
done
exit $status
