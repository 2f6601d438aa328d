#!/bin/sh
# Installs what is missing, builds, and runs every benchmark: the engine benchmarks (intake,
# saving and reading back a million entries, memory per row) and the end-to-end run of the
# traffic generator against the headless receiver on loopback, and the window under a flood,
# drawn off screen.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh --test
scripts/build.sh >/dev/null
echo "== Engine"
build/bench/quendal_engine_bench --benchmark_counters_tabular=true
echo
echo "== End to end: 200,000 datagrams, paced at 100,000/s and at full speed"
bench/end_to_end.sh 200000 100000 0
echo
echo "== The window off screen: a flood at 20,000/s beside the C loop and the headless receiver, a million-row list, insertion, scrolling"
QT_QPA_PLATFORM=offscreen build/bench/quendal_window_bench --rate 20000 --seconds 5 --reps 3
