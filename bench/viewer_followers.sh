#!/bin/sh
# What followers cost the service, and how soon they see an entry, in one run:
#   1. zero-loss rate: the highest paced rate of RATES at which quendal-syslogd stores all COUNT
#      datagrams (tools/syslog-flood to 127.0.0.1), with no follower and with FOLLOWERS
#      `quendal-syslog --follow` attached (their output to /dev/null); the ratio of the two.
#   2. latency: LATENCY_COUNT entries sent at LATENCY_RATE per second, each stamped; the time
#      from its send to its line on a follower's standard output, median and 99th percentile.
# When run as root the script moves into a network namespace of its own first.
#
#   bench/viewer_followers.sh              (build quendal-syslogd, quendal-syslog and the flood)
# Settings through the environment (defaults in brackets):
#   COUNT [200000]  RATES ["20000 50000 100000 150000 200000 300000"]  FOLLOWERS [3]
#   LATENCY_COUNT [1000]  LATENCY_RATE [1000]
set -eu
. "$(dirname "$0")/own_network.sh"

COUNT=${COUNT:-200000}
RATES=${RATES:-20000 50000 100000 150000 200000 300000}
FOLLOWERS=${FOLLOWERS:-3}
LATENCY_COUNT=${LATENCY_COUNT:-1000}
LATENCY_RATE=${LATENCY_RATE:-1000}
PORT=${PORT:-25514}

service=$PWD/build/src/quendal-syslogd
viewer=$PWD/build/src/quendal-syslog
flood=$PWD/build/tools/syslog-flood/quendal-syslog-flood
require_built "$service" "$viewer" "$flood"

work=$(mktemp -d)
pids=""
cleanup() {
    for p in $pids; do kill "$p" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

# Starts the service and `$1` followers; sets $spid.
start() {
    rm -rf "$work/logs" && mkdir -p "$work/logs"
    "$service" --port "$PORT" --listen 127.0.0.1 --log-dir "$work/logs" \
        --viewer-socket "$work/viewer.sock" >/dev/null 2>"$work/service.err" &
    spid=$!
    pids="$spid"
    until grep -qs "receiving syslog" "$work/service.err"; do
        kill -0 "$spid" 2>/dev/null || { cat "$work/service.err" >&2; exit 1; }
        sleep 0.05
    done
    i=0
    while [ "$i" -lt "$1" ]; do
        "$viewer" --follow -n 0 --viewer-socket "$work/viewer.sock" >/dev/null 2>>"$work/follow.err" &
        pids="$pids $!"
        i=$((i + 1))
    done
    # Their start (loading the program) is not what is measured: it ends before the traffic.
    [ "$1" -eq 0 ] || sleep 1
}

# Stops everything; sets $taken to the datagrams the service read.
stop() {
    kill -TERM "$spid"
    wait "$spid" || true
    for p in $pids; do kill "$p" 2>/dev/null || true; done
    pids=""
    taken=$(sed -n 's/.*stopped: \([0-9]*\) messages read.*/\1/p' "$work/service.err")
}

# The highest rate of RATES with every datagram read, with `$1` followers.
zero_loss_rate() {
    best=0
    for rate in $RATES; do
        start "$1"
        "$flood" --port "$PORT" --count "$COUNT" --rate "$rate" --seed "$rate" >/dev/null
        # Until the files stop growing: the service has taken in what it will.
        last=-1
        size=$(du -sb "$work/logs" | cut -f1)
        while [ "$size" != "$last" ]; do
            last=$size
            sleep 0.3
            size=$(du -sb "$work/logs" | cut -f1)
        done
        stop
        echo "  followers $1, rate $rate/s: $taken of $COUNT read" >&2
        [ "$taken" = "$COUNT" ] || break
        best=$rate
    done
    echo "$best"
}

echo "load before: $(cat /proc/loadavg)"
none=$(zero_loss_rate 0)
some=$(zero_loss_rate "$FOLLOWERS")
echo "zero-loss rate: ${none}/s alone, ${some}/s with $FOLLOWERS followers" \
    "(ratio $(python3 -c "print(f'{$some / max($none, 1):.2f}')"))"

start 0
python3 - "$viewer" "$work/viewer.sock" "$PORT" "$LATENCY_COUNT" "$LATENCY_RATE" <<'PY'
import socket, statistics, subprocess, sys, threading, time
viewer, path, port, count, rate = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4]), int(sys.argv[5])
follower = subprocess.Popen([viewer, "--follow", "-n", "0", "--viewer-socket", path],
                            stdout=subprocess.PIPE)
seen = {}
def read():
    for line in follower.stdout:
        text = line.rstrip(b"\n").split(b"\t")[-1]
        if text.startswith(b"stamp "):
            seen[int(text.split()[1])] = time.monotonic()
threading.Thread(target=read, daemon=True).start()
time.sleep(0.5)  # the follower's hello
sender = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
sent = {}
begin = time.monotonic()
for i in range(count):
    delay = begin + i / rate - time.monotonic()
    if delay > 0:
        time.sleep(delay)
    sent[i] = time.monotonic()
    sender.sendto(b"<134>Dec  8 10:00:00 stamp %d" % i, ("127.0.0.1", port))
deadline = time.monotonic() + 5
while len(seen) < count and time.monotonic() < deadline:
    time.sleep(0.05)
follower.terminate()
late = sorted((seen[i] - sent[i]) * 1000 for i in seen)
if not late:
    sys.exit("latency: no entry reached the follower")
print(f"latency over {len(late)} of {count} entries at {rate}/s: median {statistics.median(late):.1f} ms,"
      f" 99th percentile {late[int(len(late) * 0.99) - 1]:.1f} ms")
PY
stop
echo "load after: $(cat /proc/loadavg)"
