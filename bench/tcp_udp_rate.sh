#!/bin/sh
# UDP's zero-loss rate while the TCP and TLS listeners are open, against the same service without
# them, beside rsyslog's imudp, measured in the same run:
#   quendal          quendal-syslogd receiving UDP only
#   quendal-streams  the same with --tcp-port and --tls-port open (a certificate made here with
#                    openssl) and IDLE plain plus IDLE TLS connections held open during the run
#   rsyslog          rsyslogd from Debian's package, imudp on 127.0.0.1 to omfile, with a
#                    configuration, work folder and pid file of this run's own
# Traffic: tools/syslog-flood to 127.0.0.1 only, the five stored categories, seeded per rep. For
# every rep, rates of RATES in turn with the receivers interleaved: the highest paced rate with no
# loss over COUNT datagrams (a receiver's ladder stops at its first loss in that rep, or where
# the sender falls more than 5 % short of the pace: the figure is then a lower bound). Ratios are
# computed within each rep. When run as root the script moves into a network namespace first.
#
#   bench/tcp_udp_rate.sh      (build first: quendal-syslogd quendal-syslog-flood)
# Settings through the environment: COUNT [300000]  REPS [3]  IDLE [50]
#   RATES ["50000 100000 150000 200000 300000 400000"]
#   RECEIVERS ["quendal quendal-streams rsyslog"]
# Needs: rsyslog (scripts/install-deps.sh --bench), python3, openssl.
set -eu
. "$(dirname "$0")/own_network.sh"
. bench/receiver_files.sh

COUNT=${COUNT:-300000}
REPS=${REPS:-3}
IDLE=${IDLE:-50}
RATES=${RATES:-50000 100000 150000 200000 300000 400000}
RECEIVERS=${RECEIVERS:-quendal quendal-streams rsyslog}

quendal=${QUENDAL_BINARY:-$PWD/build/src/quendal-syslogd}
flood=$PWD/build/tools/syslog-flood/quendal-syslog-flood
require_built "$quendal" "$flood"
find_rsyslogd

work=$(mktemp -d)
pid=""
holder=""
cleanup() {
    [ -n "$holder" ] && kill -TERM "$holder" 2>/dev/null
    [ -n "$pid" ] && kill -TERM "$pid" 2>/dev/null
    [ -n "${KEEP:-}" ] && echo "kept $work" >&2 || rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

make_server_certificate "$work"

# Holds N plain and N TLS connections open, each with one message sent, until stopped; prints
# "ready" once all are up.
cat >"$work/hold.py" <<'EOF'
import signal, socket, ssl, sys, time
tcp, tls, n = int(sys.argv[1]), int(sys.argv[2]), int(sys.argv[3])
context = ssl.SSLContext(ssl.PROTOCOL_TLS_CLIENT)
context.check_hostname = False
context.verify_mode = ssl.CERT_NONE
m = b"<134>Mar 14 09:26:53 gw: held connection"
held = []
for i in range(n):
    held.append(socket.create_connection(("127.0.0.1", tcp)))
    held[-1].sendall(b"%d %s" % (len(m), m))
    s = context.wrap_socket(socket.create_connection(("127.0.0.1", tls)))
    s.sendall(b"%d %s" % (len(m), m))
    held.append(s)
print("ready", flush=True)
signal.signal(signal.SIGTERM, lambda *a: sys.exit(0))
while True:
    time.sleep(60)
EOF

results=$work/results
: >"$results"
port=20600

listening() { # protocol port
    hexport=$(printf '%04X' "$2")
    cat /proc/net/"$1" /proc/net/"$1"6 2>/dev/null | grep -q "^ *[0-9]*: [0-9A-F]*:$hexport "
}

start_receiver() { # name folder
    port=$((port + 3))
    rm -rf "$2"
    mkdir -p "$2"
    case $1 in
    quendal)
        "$quendal" --port "$port" --listen 127.0.0.1 --log-dir "$2" --config /dev/null \
            >/dev/null 2>"$2/err" &
        pid=$!
        ;;
    quendal-streams)
        "$quendal" --port "$port" --tcp-port $((port + 1)) --tls-port $((port + 2)) \
            --tls-cert "$work/server.pem" --tls-key "$work/server.ec.key" --listen 127.0.0.1 \
            --log-dir "$2" --config /dev/null >/dev/null 2>"$2/err" &
        pid=$!
        ;;
    rsyslog)
        start_rsyslog_udp "$2" "$port" 8388608
        ;;
    esac
    i=0
    until listening udp "$port" && { [ "$1" != quendal-streams ] ||
        { listening tcp $((port + 1)) && listening tcp $((port + 2)); }; }; do
        i=$((i + 1))
        if [ $i -gt 200 ] || ! kill -0 "$pid" 2>/dev/null; then
            echo "tcp_udp_rate: $1 did not start:" >&2
            cat "$2/err" >&2
            exit 1
        fi
        sleep 0.05
    done
    if [ "$1" = quendal-streams ] && [ "$IDLE" -gt 0 ]; then
        python3 "$work/hold.py" $((port + 1)) $((port + 2)) "$IDLE" >"$work/hold.out" &
        holder=$!
        until grep -q ready "$work/hold.out"; do
            kill -0 "$holder" 2>/dev/null || { echo "tcp_udp_rate: connections failed" >&2; exit 1; }
            sleep 0.05
        done
    fi
}

stop_receiver() {
    [ -n "$holder" ] && { kill -TERM "$holder" 2>/dev/null; wait "$holder" 2>/dev/null || true; }
    holder=""
    kill -TERM "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    pid=""
}

echo "load before: $(cat /proc/loadavg)   cores: $(nproc)   COUNT=$COUNT REPS=$REPS IDLE=$IDLE"
printf '%-4s %-16s %10s %10s %10s %10s\n' rep receiver target sent/s entries lost
for rep in $(seq 1 "$REPS"); do
    alive=" $RECEIVERS "
    for r in $RECEIVERS; do echo "$rep $r 0" >>"$results"; done
    for rate in $RATES; do
        for r in $RECEIVERS; do
            case $alive in *" $r "*) ;; *) continue ;; esac
            dir=$work/$r
            start_receiver "$r" "$dir"
            sent=$(send "$COUNT" "$rate" "$rep")
            sent=${sent:-0}
            wait_drained "$dir"
            got=$(cat "$dir"/*.?lg "$dir"/entries.log 2>/dev/null | wc -l)
            stop_receiver
            # Three lines per entry; the held connections add one entry each.
            held=0
            [ "$r" = quendal-streams ] && held=$((2 * IDLE))
            got=$((got / 3 - held))
            lost=$((COUNT - got))
            printf '%-4s %-16s %10s %10s %10s %10s\n' "$rep" "$r" "$rate" "$sent" "$got" "$lost"
            if [ "$sent" -lt $((rate * 95 / 100)) ]; then
                echo "     (the sender reached only $sent/s: $r's ladder ends, its figure is a lower bound)"
                alive=$(echo "$alive" | sed "s/ $r / /")
                alive=" $alive "
            elif [ "$lost" -le 0 ]; then
                sed -i "/^$rep $r /d" "$results"
                echo "$rep $r $rate" >>"$results"
            else
                alive=$(echo "$alive" | sed "s/ $r / /")
                alive=" $alive "
            fi
        done
    done
done
python3 - "$results" <<'EOF'
import statistics, sys
by = {}
for rep, r, rate in (l.split() for l in open(sys.argv[1])):
    by.setdefault(r, {})[rep] = int(rate)
for r, reps in by.items():
    v = list(reps.values())
    print("%-16s max rate with 0 loss: median %d /s (%d .. %d)" % (r, statistics.median(v), min(v), max(v)))
def ratio(a, b):
    if a in by and b in by:
        rs = [by[a][k] / by[b][k] for k in by[a] if k in by[b] and by[b][k]]
        if rs:
            print("%s / %s: median %.2f (%.2f .. %.2f)" % (a, b, statistics.median(rs), min(rs), max(rs)))
ratio("quendal-streams", "quendal")
ratio("quendal", "rsyslog")
EOF
echo "load after: $(cat /proc/loadavg)"
