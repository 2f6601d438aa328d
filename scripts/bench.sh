#!/bin/sh
# Installs what is missing, builds, and runs every benchmark: the engine benchmarks (intake,
# saving and reading back a million entries, memory per row) and the end-to-end run of the
# traffic generator against the headless receiver on loopback.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh --test
scripts/build.sh >/dev/null
echo "== Engine"
build/bench/quendal_engine_bench --benchmark_counters_tabular=true
echo
echo "== End to end: 200,000 datagrams, paced at 100,000/s and at full speed"
bench/end_to_end.sh 200000 100000 0
