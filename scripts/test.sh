#!/bin/sh
# Installs what is missing, builds, and runs every test. The tests run in a network namespace
# of their own where the machine allows one, so no test traffic can leave the machine.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh --test
scripts/build.sh

tests='ctest --test-dir build --output-on-failure -j 2 --timeout 300'
if [ "$(id -u)" -eq 0 ]; then
    isolate="unshare -n"
else
    isolate="unshare -rn"
fi
if $isolate true 2>/dev/null; then
    echo "test: running in an isolated network namespace" >&2
    exec $isolate sh -c "ip link set lo up && $tests"
fi
echo "test: no network namespace available here; running on the machine's own network" >&2
exec $tests
