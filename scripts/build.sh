#!/bin/sh
# Configures and builds everything into build/ (tests and benchmarks included), through ccache
# where it is installed.
set -eu
cd "$(dirname "$0")/.."
launcher=""
command -v ccache >/dev/null 2>&1 && launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $launcher >/dev/null
cmake --build build -j "$(nproc)"
