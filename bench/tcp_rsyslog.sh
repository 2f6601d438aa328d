#!/bin/sh
# Reception over one TCP connection, beside rsyslog's imtcp, measured in the same run:
#   quendal      the headless receiver with --tcp-port, into its category files
#   quendal-tls  the same over TLS (--tls-port; a certificate made here with openssl)
#   rsyslog      rsyslogd from Debian's package, imtcp on 127.0.0.1 to omfile, with a configuration,
#                work folder and pid file of this run's own; each entry written as three CR LF
#                lines like ours
# Traffic: COUNT octet-counted FireWall messages, made once, sent as fast as the receiver takes
# them over one connection, and over each number of connections in CONNECTIONS at once (COUNT in
# total, shared out evenly; Python, plain or ssl, one thread per connection). The time runs from
# the first connection to the last entry in the files. Reps interleave the receivers and the
# connection counts; ratios are computed within each rep.
# When run as root the script moves into a network namespace of its own first.
#
#   bench/tcp_rsyslog.sh                     (build first: quendal-syslogd)
# Settings through the environment: COUNT [300000]  REPS [3]  CONNECTIONS ["1 100"]
#   RECEIVERS ["quendal quendal-tls rsyslog"]
# Needs: rsyslog (scripts/install-deps.sh --bench), python3, openssl.
set -eu
. "$(dirname "$0")/own_network.sh"
. bench/receiver_files.sh

COUNT=${COUNT:-300000}
REPS=${REPS:-3}
CONNECTIONS=${CONNECTIONS:-1 100}
RECEIVERS=${RECEIVERS:-quendal quendal-tls rsyslog}

quendal=${QUENDAL_BINARY:-$PWD/build/src/quendal-syslogd}
require_built "$quendal"
find_rsyslogd

work=$(mktemp -d)
pid=""
cleanup() {
    [ -n "$pid" ] && kill -TERM "$pid" 2>/dev/null
    [ -n "${KEEP:-}" ] && echo "kept $work" >&2 || rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

make_server_certificate "$work"

# Sends the messages over N connections at once and prints the seconds from the first connection
# to the last entry in the files of the folder (three lines per entry).
cat >"$work/send.py" <<'EOF'
import glob, os, socket, ssl, sys, threading, time
port, folder, count, use_tls, n = int(sys.argv[1]), sys.argv[2], int(sys.argv[3]), sys.argv[4] == "1", int(sys.argv[5])
parts = [bytearray() for _ in range(n)]
for i in range(count):
    m = b"<134>Mar 14 09:26:53 gw: DROP IN=eth0 SRC=192.168.1.%d DPT=%d n=%d" % (i % 250, i % 65535, i)
    parts[i % n] += b"%d %s" % (len(m), m)
files = lambda: glob.glob(folder + "/*.?lg") + glob.glob(folder + "/entries.log")
def lines():
    n = 0
    for f in files():
        with open(f, "rb") as h:
            n += h.read().count(b"\n")
    return n
context = ssl.SSLContext(ssl.PROTOCOL_TLS_CLIENT)
context.check_hostname = False
context.verify_mode = ssl.CERT_NONE
sockets = []
def send(part):
    s = socket.create_connection(("127.0.0.1", port))
    if use_tls:
        s = context.wrap_socket(s)
    sockets.append(s)
    s.sendall(part)
start = time.monotonic()
threads = [threading.Thread(target=send, args=(p,)) for p in parts]
for t in threads:
    t.start()
for t in threads:
    t.join()
last, changed = -1, time.monotonic()
while True:
    size = sum(os.stat(f).st_size for f in files())
    if size != last:
        last, changed = size, time.monotonic()
    elif time.monotonic() - changed > 0.05 and lines() >= 3 * count:
        break
    elif time.monotonic() - changed > 10:
        print("incomplete", file=sys.stderr)
        break
    time.sleep(0.0005)
print("%.4f" % (changed - start))
for s in sockets:
    s.close()
EOF

port=52400
start_receiver() { # name folder
    port=$((port + 1))
    rm -rf "$2"
    mkdir -p "$2"
    case $1 in
    quendal)
        "$quendal" --port 0 --tcp-port "$port" --listen 127.0.0.1 --log-dir "$2" \
            --config /dev/null >/dev/null 2>"$2/err" &
        ;;
    quendal-tls)
        "$quendal" --port 0 --tls-port "$port" --tls-cert "$work/server.pem" \
            --tls-key "$work/server.ec.key" --listen 127.0.0.1 --log-dir "$2" \
            --config /dev/null >/dev/null 2>"$2/err" &
        ;;
    rsyslog)
        mkdir -p "$2/rsyslog-work"
        cat >"$2/rsyslog.conf" <<EOF
global(workDirectory="$2/rsyslog-work" net.enableDNS="off")
module(load="imtcp")
input(type="imtcp" address="127.0.0.1" port="$port")
template(name="entry" type="string" string="%timereported%\r\n%hostname%\r\n%msg%\r\n")
action(type="omfile" file="$2/entries.log" template="entry")
EOF
        "$rsyslogd" -n -f "$2/rsyslog.conf" -i "$2/rsyslog.pid" >/dev/null 2>"$2/err" &
        ;;
    esac
    pid=$!
    hexport=$(printf '%04X' "$port")
    i=0
    until cat /proc/net/tcp /proc/net/tcp6 2>/dev/null | grep -q "^ *[0-9]*: [0-9A-F]*:$hexport .* 0A "; do
        i=$((i + 1))
        if [ $i -gt 200 ] || ! kill -0 "$pid" 2>/dev/null; then
            echo "tcp_rsyslog: $1 did not start:" >&2
            cat "$2/err" >&2
            exit 1
        fi
        sleep 0.05
    done
}
stop_receiver() {
    kill -TERM "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    pid=""
}

echo "load before: $(cat /proc/loadavg)   cores: $(nproc)   COUNT=$COUNT REPS=$REPS CONNECTIONS=\"$CONNECTIONS\""
results=$work/results
: >"$results"
for rep in $(seq 1 "$REPS"); do
    for n in $CONNECTIONS; do
        for r in $RECEIVERS; do
            start_receiver "$r" "$work/$r"
            tls=0
            [ "$r" = quendal-tls ] && tls=1
            seconds=$(python3 "$work/send.py" "$port" "$work/$r" "$COUNT" "$tls" "$n")
            stop_receiver
            echo "$rep $r $n $seconds" | tee -a "$results"
        done
    done
done
# Per receiver and connection count: median seconds and messages per second; ratios within
# each rep.
python3 - "$results" "$COUNT" <<'EOF'
import statistics, sys
rows = [l.split() for l in open(sys.argv[1])]
count = int(sys.argv[2])
by = {}
for rep, r, n, s in rows:
    by.setdefault((r, n), {})[rep] = float(s)
for (r, n), reps in by.items():
    m = statistics.median(reps.values())
    print("%-12s %3s conn  median %.3f s  %9.0f messages/s  (%.3f .. %.3f s)"
          % (r, n, m, count / m, min(reps.values()), max(reps.values())))
def ratio(a, b):
    if a in by and b in by:
        rs = [by[b][k] / by[a][k] for k in by[a] if k in by[b]]
        print("%s rate / %s rate: median %.2f (%.2f .. %.2f)"
              % ("@".join(a), "@".join(b), statistics.median(rs), min(rs), max(rs)))
conns = sorted({n for _, n in by}, key=int)
for n in conns:
    ratio(("quendal", n), ("rsyslog", n))
    ratio(("quendal-tls", n), ("quendal", n))
for n in conns[1:]:
    for r in ("quendal", "quendal-tls", "rsyslog"):
        ratio((r, n), (r, conns[0]))
EOF
echo "load after: $(cat /proc/loadavg)"
