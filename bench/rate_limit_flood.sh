#!/bin/sh
# A fair share per sender: one router floods the service without a window, another sends
# slowly, and the service keeps `--rate-limit` entries per second from each. Senders: two
# tools/syslog-flood processes from 127.0.0.1 (the flood, host name "flood") and 127.0.0.2 (the
# quiet router, host name "quiet") to 127.0.0.1, FireWall entries. When run as root the script
# moves into a network namespace of its own first.
#
# For every rep: the flood and the quiet sender start together; once both are done and the
# files stop growing, each sender's stored entries are counted by the Host line of the files.
# Reported per rep: each sender's sent and stored entries; the flood's stored entries against
# what the limit allows over the time it sent (rate x seconds plus the burst, 3 s' worth), and
# the quiet sender's losses (the goal: none). Then /proc/loadavg before and after.
#
#   bench/rate_limit_flood.sh                 (build first: quendal-syslogd, syslog-flood)
# Settings through the environment (defaults in brackets):
#   LIMIT [1000]  FLOOD_RATE [200000]  SECONDS_SENT [5]  QUIET_RATE [100]  REPS [3]
#   QUENDAL_BINARY [build/src/quendal-syslogd]
set -eu
. "$(dirname "$0")/own_network.sh"
. bench/receiver_files.sh

LIMIT=${LIMIT:-1000}
FLOOD_RATE=${FLOOD_RATE:-200000}
SECONDS_SENT=${SECONDS_SENT:-5}
QUIET_RATE=${QUIET_RATE:-100}
REPS=${REPS:-3}
BURST_SECONDS=3

quendal=${QUENDAL_BINARY:-$PWD/build/src/quendal-syslogd}
flood=$PWD/build/tools/syslog-flood/quendal-syslog-flood
require_built "$quendal" "$flood"
# The quiet router's address; loopback answers for all of 127.0.0.0/8.
ip addr show lo 2>/dev/null | grep -q 'inet 127.0.0.1/8' ||
    { echo "rate_limit_flood: lo has no 127.0.0.1/8 to send from 127.0.0.2" >&2; exit 1; }

work=$(mktemp -d)
pid=""
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Entries of host $2 in the files of folder $1: the Host line follows each Time line.
host_entries() {
    cat "$1"/*.?lg 2>/dev/null | tr -d '\r' | grep -cx "$2" || true
}

echo "load before: $(cat /proc/loadavg)   cores: $(nproc)   LIMIT=$LIMIT FLOOD_RATE=$FLOOD_RATE" \
    "SECONDS_SENT=$SECONDS_SENT QUIET_RATE=$QUIET_RATE REPS=$REPS"
port=52600
flood_count=$((FLOOD_RATE * SECONDS_SENT))
quiet_count=$((QUIET_RATE * SECONDS_SENT))
echo "rep  flood sent  flood rate/s  flood stored  allowed  quiet sent  quiet stored  quiet lost"
rep=1
while [ "$rep" -le "$REPS" ]; do
    port=$((port + 1))
    folder=$work/files$rep
    mkdir -p "$folder"
    "$quendal" --config /dev/null --port "$port" --listen 127.0.0.1 --log-dir "$folder" \
        --rate-limit "$LIMIT" >/dev/null 2>"$folder/err" &
    pid=$!
    while ! grep -q "receiving syslog" "$folder/err"; do sleep 0.05; done
    start=$(date +%s.%N)
    "$flood" --port "$port" --count "$flood_count" --rate "$FLOOD_RATE" --source 127.0.0.1 \
        --hostname flood --facilities firewall --seed "$rep" 2>"$work/flood.err" &
    flooder=$!
    "$flood" --port "$port" --count "$quiet_count" --rate "$QUIET_RATE" --source 127.0.0.2 \
        --hostname quiet --facilities firewall --seed "$((rep + 100))" 2>"$work/quiet.err"
    wait "$flooder"
    end=$(date +%s.%N)
    wait_drained "$folder"
    kill "$pid"
    wait "$pid" || true
    pid=""
    flood_stored=$(host_entries "$folder" flood)
    quiet_stored=$(host_entries "$folder" quiet)
    flood_rate=$(sed -n 's/.* \([0-9]*\) per second$/\1/p' "$work/flood.err")
    allowed=$(awk -v s="$start" -v e="$end" -v r="$LIMIT" -v b="$BURST_SECONDS" \
        'BEGIN { printf "%d", r * (e - s) + r * b }')
    printf "%3d  %10d  %12s  %12d  %7d  %10d  %12d  %10d\n" "$rep" "$flood_count" \
        "${flood_rate:-?}" "$flood_stored" "$allowed" "$quiet_count" "$quiet_stored" \
        "$((quiet_count - quiet_stored))"
    rep=$((rep + 1))
done
echo "load after:  $(cat /proc/loadavg)"
