#!/bin/sh
# Forwarding over TLS beside rsyslog doing the same relay, measured in the same run. Both relays
# receive UDP on 127.0.0.1, store each entry in files (three CR LF lines) and forward it over
# TLS, octet-counted RFC 5424, to a collector:
#   quendal  the headless receiver with --forward tls://127.0.0.1:PORT (its disk queue, the
#            collector's certificate checked against this run's CA)
#   rsyslog  rsyslogd from Debian's package: imudp to omfile and to omfwd over TLS (ossl,
#            x509/name) with a disk-assisted action queue (LinkedList + queue.filename)
# The collector is rsyslogd too: imtcp with the ossl driver, every message's text one line in a
# file. Every relay and collector has a configuration, work folder and pid file of this run's
# own (never the system's). Certificates (a CA and a collector certificate for localhost and
# 127.0.0.1) are made here with openssl. Traffic: bench/seq_sender.c, built here: paced
# FireWall datagrams each carrying "seq=N", so the collector's file tells exactly which entries
# arrived, which not and which twice. Loopback only; as root the script moves into a network
# namespace of its own first.
#
# For every rep, relays interleaved:
#   1. relay:  the highest paced rate of RATES at which all COUNT datagrams reach the collector
#              (the ladder stops at a relay's first loss in that rep, or where the sender falls
#              more than 5 % short of the pace: that rung counts at the pace the sender reached
#              if nothing was lost, and the figure is a lower bound).
#   2. outage: OUTAGE_COUNT datagrams at OUTAGE_RATE; OUTAGE_AT s after the start the collector
#              is stopped (SIGTERM) for OUTAGE_SECONDS s, then started again on the same port
#              and file; entries lost and duplicated at the collector once nothing more comes
#              for QUIET s (the relays' reconnect backoff grows during the outage).
#   3. udp:    the highest paced rate of UDP_RATES at which the headless receiver stores all
#              COUNT datagrams in its files, without a target and with one TLS target (a
#              collector running), interleaved; the ratio with / without within each rep.
# Reported: every run, per relay min/median/max over reps, ratios within each rep with their
# range, /proc/loadavg before and after.
#
#   bench/forward_rsyslog.sh                 (build first: quendal-syslogd)
# Settings through the environment (defaults in brackets):
#   COUNT [200000]  REPS [3]  RATES ["25000 50000 100000 150000 200000"]
#   UDP_RATES ["50000 100000 150000 200000 300000"]
#   OUTAGE_COUNT [40000]  OUTAGE_RATE [2000]  OUTAGE_AT [5]  OUTAGE_SECONDS [10]  QUIET [25]
#   RELAYS ["quendal rsyslog"]  SKIP ["" or any of: relay outage udp]
#   QUENDAL_BINARY [build/src/quendal-syslogd]
# Needs: rsyslog and rsyslog-openssl (scripts/install-deps.sh --bench), cc, python3, openssl.
set -eu
. "$(dirname "$0")/own_network.sh"

COUNT=${COUNT:-200000}
REPS=${REPS:-3}
RATES=${RATES:-25000 50000 100000 150000 200000}
UDP_RATES=${UDP_RATES:-50000 100000 150000 200000 300000}
OUTAGE_COUNT=${OUTAGE_COUNT:-40000}
OUTAGE_RATE=${OUTAGE_RATE:-2000}
OUTAGE_AT=${OUTAGE_AT:-5}
OUTAGE_SECONDS=${OUTAGE_SECONDS:-10}
QUIET=${QUIET:-25}
RELAYS=${RELAYS:-quendal rsyslog}
SKIP=${SKIP:-}
RCVBUF=8388608

quendal=${QUENDAL_BINARY:-$PWD/build/src/quendal-syslogd}
require_built "$quendal"
find_rsyslogd
[ -f /usr/lib/x86_64-linux-gnu/rsyslog/lmnsd_ossl.so ] ||
    { echo "forward_rsyslog: rsyslog-openssl missing: scripts/install-deps.sh --bench" >&2; exit 1; }

work=$(mktemp -d)
relay_pid=""
collector_pid=""
sender_pid=""
cleanup() {
    for p in $sender_pid $relay_pid $collector_pid; do kill -TERM "$p" 2>/dev/null || true; done
    [ -n "${KEEP:-}" ] && echo "kept $work" >&2 || rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

skipped() { case " $SKIP " in *" $1 "*) return 0 ;; esac; return 1; }

cc -O2 -o "$work/seq_sender" bench/seq_sender.c

# A CA and the collector's certificate signed by it (as tests/support/TestCertificates.cpp).
tls=$work/tls
mkdir -p "$tls"
(
    cd "$tls"
    openssl ecparam -genkey -name prime256v1 -noout -out ca.key
    openssl req -x509 -new -key ca.key -out ca.pem -days 30 -subj "/CN=Bench CA" \
        -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign
    openssl ecparam -genkey -name prime256v1 -noout -out server.key
    openssl req -new -key server.key -out server.csr -subj /CN=localhost
    printf '%s\n' basicConstraints=CA:FALSE keyUsage=critical,digitalSignature,keyEncipherment \
        extendedKeyUsage=serverAuth subjectAltName=DNS:localhost,IP:127.0.0.1 >server.ext
    openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -set_serial 1001 -days 30 \
        -extfile server.ext -out server.pem
) 2>"$work/openssl.err" || { cat "$work/openssl.err" >&2; exit 1; }

# Prints "distinct duplicates" of the seq numbers below $2 in the collector's file $1.
cat >"$work/count.py" <<'EOF'
import re, sys
seen, total = set(), 0
limit = int(sys.argv[2])
try:
    data = open(sys.argv[1], "rb").read()
except FileNotFoundError:
    data = b""
for m in re.finditer(rb"seq=(\d+)", data):
    n = int(m.group(1))
    if n < limit:
        total += 1
        seen.add(n)
print(len(seen), total - len(seen))
EOF
# Waits until the file $1 holds $2 lines, or has not grown for $3 s.
cat >"$work/wait.py" <<'EOF'
import os, sys, time
path, want, quiet = sys.argv[1], int(sys.argv[2]), float(sys.argv[3])
last, changed = -1, time.monotonic()
while True:
    try:
        size = os.stat(path).st_size
    except FileNotFoundError:
        size = 0
    if size != last:
        last, changed = size, time.monotonic()
        if size and open(path, "rb").read().count(b"\n") >= want:
            break
    elif time.monotonic() - changed > quiet:
        break
    time.sleep(0.05)
EOF

port=53400
wait_listening() { # pid name table port
    hexport=$(printf '%04X' "$4")
    i=0
    until cat "/proc/net/$3" 2>/dev/null | grep -q "^ *[0-9]*: [0-9A-F]*:$hexport "; do
        i=$((i + 1))
        if [ $i -gt 200 ] || ! kill -0 "$1" 2>/dev/null; then
            echo "forward_rsyslog: $2 did not start:" >&2
            cat "$work/$2.err" >&2 2>/dev/null || true
            exit 1
        fi
        sleep 0.05
    done
}

# The collector on port $2 writing into folder $1 (kept across a restart).
start_collector() {
    mkdir -p "$1/work"
    cat >"$1/rsyslog.conf" <<EOF
global(workDirectory="$1/work" net.enableDNS="off" defaultNetstreamDriverCAFile="$tls/ca.pem"
       defaultNetstreamDriverCertFile="$tls/server.pem" defaultNetstreamDriverKeyFile="$tls/server.key")
module(load="imtcp" streamDriver.name="ossl" streamDriver.mode="1" streamDriver.authMode="anon")
input(type="imtcp" address="127.0.0.1" port="$2")
template(name="text" type="string" string="%msg%\n")
action(type="omfile" file="$1/received.log" template="text")
EOF
    "$rsyslogd" -n -f "$1/rsyslog.conf" -i "$1/rsyslog.pid" >/dev/null 2>"$work/collector.err" &
    collector_pid=$!
    wait_listening "$collector_pid" collector tcp "$2"
}

stop() { # variable name holding the pid
    eval "p=\$$1"
    if [ -n "$p" ]; then
        kill -TERM "$p" 2>/dev/null || true
        wait "$p" 2>/dev/null || true
    fi
    eval "$1="
}

# Relay $1 (quendal, quendal-alone or rsyslog) on UDP port $2, files in $3, forwarding to the
# collector's port $4.
start_relay() {
    mkdir -p "$3"
    case $1 in
    quendal)
        "$quendal" --port "$2" --listen 127.0.0.1 --log-dir "$3" --config /dev/null \
            --forward "tls://127.0.0.1:$4" --forward-ca "$tls/ca.pem" --queue-dir "$3/queue" \
            >/dev/null 2>"$work/$1.err" &
        ;;
    quendal-alone)
        "$quendal" --port "$2" --listen 127.0.0.1 --log-dir "$3" --config /dev/null \
            >/dev/null 2>"$work/$1.err" &
        ;;
    rsyslog)
        mkdir -p "$3/work"
        cat >"$3/rsyslog.conf" <<EOF
global(workDirectory="$3/work" net.enableDNS="off" defaultNetstreamDriverCAFile="$tls/ca.pem")
module(load="imudp")
input(type="imudp" address="127.0.0.1" port="$2" rcvbufSize="$RCVBUF")
template(name="entry" type="string" string="%timereported%\r\n%hostname%\r\n%msg%\r\n")
action(type="omfile" file="$3/entries.log" template="entry")
action(type="omfwd" target="127.0.0.1" port="$4" protocol="tcp" TCP_Framing="octet-counted"
       template="RSYSLOG_SyslogProtocol23Format" StreamDriver="ossl" StreamDriverMode="1"
       StreamDriverAuthMode="x509/name" StreamDriverPermittedPeers="localhost"
       queue.type="LinkedList" queue.filename="forward" queue.maxDiskSpace="1g"
       queue.saveOnShutdown="on" action.resumeRetryCount="-1" action.resumeInterval="1")
EOF
        "$rsyslogd" -n -f "$3/rsyslog.conf" -i "$3/rsyslog.pid" >/dev/null 2>"$work/$1.err" &
        ;;
    esac
    relay_pid=$!
    wait_listening "$relay_pid" "$1" udp "$2"
}

send() { # udp-port count rate: prints the rate reached
    "$work/seq_sender" "$1" "$2" "$3" 2>"$work/sender.err"
    sed -n 's/.* \([0-9]*\) per second$/\1/p' "$work/sender.err"
}

stored() { # entries in the relay's files
    cat "$1"/*.?lg "$1"/entries.log 2>/dev/null | wc -l | awk '{ print int($1 / 3) }'
}

wait_stored() { # folder count: until the files hold count entries or stop growing
    last=-1
    while :; do
        size=$(cat "$1"/*.?lg "$1"/entries.log 2>/dev/null | wc -c)
        [ "$size" = "$last" ] && break
        [ "$(stored "$1")" -ge "$2" ] && break
        last=$size
        sleep 0.3
    done
}

results=$work/results.tsv
: >"$results"
record() { printf '%s\t%s\t%s\t%s\n' "$1" "$2" "$3" "$4" >>"$results"; }
drop() { alive=$(echo " $alive " | sed "s/ $1 / /"); alive=" $alive "; }

# A ladder of paced rates: $1 the step (relay: counted at the collector; udp: in the relay's
# files), $2 the rates, $3 the relays.
ladder() {
    step=$1 rates=$2 relays=$3
    alive=" $relays "
    for r in $relays; do record "$rep" "$r" "$step" 0; done
    for rate in $rates; do
        for r in $relays; do
            case $alive in *" $r "*) ;; *) continue ;; esac
            port=$((port + 2))
            run=$work/run-$r
            rm -rf "$run"
            mkdir -p "$run"
            if [ "$r" != quendal-alone ]; then start_collector "$run/collector" "$((port + 1))"; fi
            start_relay "$r" "$port" "$run/relay" "$((port + 1))"
            sent=$(send "$port" "$COUNT" "$rate")
            sent=${sent:-0}
            if [ "$step" = relay ]; then
                python3 "$work/wait.py" "$run/collector/received.log" "$COUNT" 5
            else
                wait_stored "$run/relay" "$COUNT"
            fi
            # Counted once both have stopped: the relay's last sends and the collector's last
            # writes are in.
            stop relay_pid
            stop collector_pid
            if [ "$step" = relay ]; then
                read -r got dup <<EOF
$(python3 "$work/count.py" "$run/collector/received.log" "$COUNT")
EOF
            else
                got=$(stored "$run/relay") dup=0
            fi
            lost=$((COUNT - got))
            printf '%-4s %-14s %-7s %8s %8s %8s %8s %6s\n' "$rep" "$r" "$step" "$rate" "$sent" "$got" "$lost" "$dup"
            # Where the headless receiver lost entries, its own account at the stop says where.
            if [ "$lost" -gt 0 ] && [ "$r" != rsyslog ]; then
                sed -n 's/^[^:]*: \(stopped\|forwarded to\)/     \1/p' "$work/$r.err"
            fi
            # A rung the sender fell short of counts at the pace it reached, and ends the ladder.
            short=0
            [ "$sent" -lt $((rate * 95 / 100)) ] && short=1
            if [ "$lost" -eq 0 ]; then
                value=$rate
                [ $short = 1 ] && value=$sent
                before=$(awk -F '\t' -v a="$rep" -v b="$r" -v c="$step" \
                    '$1 == a && $2 == b && $3 == c { print $4 }' "$results")
                if [ "$value" -gt "${before:-0}" ]; then
                    sed -i "/^$rep\t$r\t$step\t/d" "$results"
                    record "$rep" "$r" "$step" "$value"
                fi
            fi
            if [ $short = 1 ]; then
                echo "     (the sender reached only $sent/s: $r's ladder ends, its figure is a lower bound)"
                record "$rep" "$r" "$step-senderlimited" 1
                drop "$r"
            elif [ "$lost" -gt 0 ]; then
                drop "$r"
            fi
        done
    done
}

outage() {
    for r in $RELAYS; do
        port=$((port + 2))
        run=$work/run-$r
        rm -rf "$run"
        mkdir -p "$run"
        start_collector "$run/collector" "$((port + 1))"
        start_relay "$r" "$port" "$run/relay" "$((port + 1))"
        "$work/seq_sender" "$port" "$OUTAGE_COUNT" "$OUTAGE_RATE" 2>"$work/sender.err" &
        sender_pid=$!
        sleep "$OUTAGE_AT"
        stop collector_pid
        sleep "$OUTAGE_SECONDS"
        start_collector "$run/collector" "$((port + 1))"
        wait "$sender_pid" || true
        sender_pid=""
        python3 "$work/wait.py" "$run/collector/received.log" "$OUTAGE_COUNT" "$QUIET"
        stop relay_pid
        stop collector_pid
        read -r got dup <<EOF
$(python3 "$work/count.py" "$run/collector/received.log" "$OUTAGE_COUNT")
EOF
        lost=$((OUTAGE_COUNT - got))
        printf '%-4s %-14s %-7s %8s %8s %8s %8s %6s\n' "$rep" "$r" outage "$OUTAGE_RATE" \
            "$OUTAGE_COUNT" "$got" "$lost" "$dup"
        [ "$r" = rsyslog ] || sed -n 's/^[^:]*: \(forwarded to\)/     \1/p' "$work/$r.err"
        record "$rep" "$r" outage-lost "$lost"
        record "$rep" "$r" outage-dup "$dup"
    done
}

echo "load before: $(cat /proc/loadavg)   cores: $(nproc)"
echo "COUNT=$COUNT REPS=$REPS RATES=\"$RATES\" UDP_RATES=\"$UDP_RATES\""
echo "OUTAGE_COUNT=$OUTAGE_COUNT OUTAGE_RATE=$OUTAGE_RATE OUTAGE_AT=$OUTAGE_AT OUTAGE_SECONDS=$OUTAGE_SECONDS"
printf '%-4s %-14s %-7s %8s %8s %8s %8s %6s\n' rep relay step rate sent/s arrived lost dup
for rep in $(seq 1 "$REPS"); do
    skipped relay || ladder relay "$RATES" "$RELAYS"
    skipped outage || outage
    skipped udp || ladder udp "$UDP_RATES" "quendal-alone quendal"
done
echo "load after:  $(cat /proc/loadavg)"

echo
python3 - "$results" <<'EOF'
import collections, statistics, sys
values = collections.defaultdict(dict)  # (metric, relay) -> {rep: value}
for line in open(sys.argv[1]):
    rep, relay, metric, value = line.rstrip("\n").split("\t")
    values[(metric, relay)][rep] = float(value)
def show(metric, title):
    relays = [r for (m, r) in values if m == metric]
    if not relays:
        return
    print(title)
    for r in relays:
        limited = len(values.get((metric + "-senderlimited", r), {}))
        if limited:
            print("  (%s: the sender could not keep the pace in %d reps: a lower bound)" % (r, limited))
    for r in relays:
        v = list(values[(metric, r)].values())
        print("  %-14s min %9.0f  median %9.0f  max %9.0f  (%d reps)" %
              (r, min(v), statistics.median(v), max(v), len(v)))
def ratio(metric, a, b):
    x, y = values.get((metric, a), {}), values.get((metric, b), {})
    rs = [x[k] / y[k] for k in x if k in y and y[k] > 0]
    if rs:
        print("  %s / %s: median %.2f  range %.2f .. %.2f  (%d reps)" %
              (a, b, statistics.median(rs), min(rs), max(rs), len(rs)))
show("relay", "relay UDP -> TLS: highest paced rate with every entry at the collector (/s)")
ratio("relay", "quendal", "rsyslog")
show("outage-lost", "outage: entries lost at the collector")
show("outage-dup", "outage: entries duplicated at the collector")
show("udp", "UDP reception: highest paced rate with every entry stored (/s)")
ratio("udp", "quendal", "quendal-alone")
EOF
