#!/bin/sh
# The window receiving while Release waits for a slow lease manager: 50,000 datagrams at 5,000/s
# from the traffic generator over loopback while the lease manager of the test tree takes 10 s;
# each rep first floods with no command running, the anchor of the same run.
#   bench/release_flood.sh [REPS]
set -eu
cd "$(dirname "$0")/.."
reps="${1:-3}"
tests=build/tests/quendal_gui_tests
run() {
    # The longest event-loop gap as a share of the release: a page that waited for the command
    # would hold the loop for all of it (100 %).
    unshare -n sh -c "ip link set lo up && $*" 2>&1 | grep -E '^release ran|^idle:' |
        awk '/^release ran/ { print; printf "longest gap: %.1f %% of the release\n", 100 * $(NF-1) / $3; next }
             { print }' || true
}
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
for i in $(seq "$reps"); do
    echo "== rep $i"
    run QUENDAL_RELEASE_FLOOD_COUNT=50000 QUENDAL_FAKE_LEASE_SECONDS=10 \
        "$tests" --gtest_filter='ClientPageInWindow.IntakeGoesOnWhileReleaseWaitsForTheLeaseManager'
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
