#!/bin/sh
# End-to-end receive throughput and loss: the traffic generator sends COUNT datagrams of all six
# facilities to the headless receiver on loopback, paced at each RATE (0 = full speed). The
# receiver writes every entry to its automatic files; loss is what was sent but never read.
#   bench/end_to_end.sh [COUNT] [RATE...]        defaults: 200000 100000 0
set -eu
cd "$(dirname "$0")/.."
count=${1:-200000}
[ $# -gt 0 ] && shift
rates=${*:-100000 0}

receiver=build/src/quendal-syslog
flood=build/tools/syslog-flood/quendal-syslog-flood
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

free_port() {
    python3 -c 'import socket; s=socket.socket(socket.AF_INET, socket.SOCK_DGRAM); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

printf '%-12s %10s %10s %10s %8s %12s %10s\n' rate sent read lost loss% entries/s rcvbuf
for rate in $rates; do
    rm -rf "$work"/*
    port=$(free_port)
    "$receiver" --headless --port "$port" --log-dir "$work" >/dev/null 2>"$work/receiver.err" &
    pid=$!
    i=0
    until grep -q "receiving syslog" "$work/receiver.err" 2>/dev/null; do
        i=$((i + 1)); [ $i -gt 100 ] && { cat "$work/receiver.err" >&2; exit 1; }
        sleep 0.05
    done

    start=$(date +%s.%N)
    "$flood" --port "$port" --count "$count" --rate "$rate" --seed 3 2>"$work/flood.err"
    # Wait until the receiver has drained its socket: the files stop growing.
    last=-1
    while :; do
        size=$(cat "$work"/*.?lg 2>/dev/null | wc -c)
        [ "$size" = "$last" ] && break
        last=$size
        sleep 0.2
    done
    end=$(date +%s.%N)
    kill -TERM "$pid"
    wait "$pid" || true

    read=$(sed -n 's/.*stopped: \([0-9]*\) messages read.*/\1/p' "$work/receiver.err")
    stored=$(sed -n 's/.* \([0-9]*\) entries stored.*/\1/p' "$work/receiver.err")
    lines=$(cat "$work"/*.?lg | wc -l)
    if [ "$lines" -ne $((stored * 3)) ]; then
        echo "end_to_end: files hold $lines lines for $stored entries" >&2
        exit 1
    fi
    lost=$((count - read))
    label=$rate; [ "$rate" = 0 ] && label="full speed"
    awk -v l="$label" -v c="$count" -v r="$read" -v lo="$lost" -v s="$start" -v e="$end" \
        -v b="$(cat /proc/sys/net/core/rmem_max)" \
        'BEGIN { printf "%-12s %10d %10d %10d %7.2f%% %12.0f %10s\n", l, c, r, lo, 100*lo/c, r/(e-s-0.2), b }'
done
echo "(entries/s counts from the first datagram sent to the last one read; rcvbuf is the system's"
echo " limit for an unprivileged receive buffer, net.core.rmem_max, which root may exceed)"
