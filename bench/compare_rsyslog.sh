#!/bin/sh
# The headless receiver side by side with two anchors measured in the same run:
#   rsyslog  rsyslogd from Debian's package, imudp on 127.0.0.1 to omfile, with a configuration,
#            work folder and pid file of this run's own (never the system's configuration or
#            sockets); each entry written as three CR LF lines like ours.
#   c-loop   bench/c_receiver.c, built here: recvmmsg (64 at most) into files kept open, one
#            write per file per batch; the same sorting into five files.
# All three ask for the same receive buffer (SO_RCVBUFFORCE of RCVBUF, which the kernel doubles).
# Traffic: tools/syslog-flood to 127.0.0.1 only, the five stored categories, seeded per rep.
# When run as root the script moves into a network namespace of its own first.
#
# For every rep, receivers interleaved within the rep:
#   1. max rate: the highest paced rate of RATES with no loss over COUNT datagrams (the ladder
#      stops at a receiver's first loss in that rep, or where the sender falls more than 5 %
#      short of the pace; the figure is then a lower bound, and the summary says so).
#   2. drain:    BACKLOG datagrams queued while the receiver is stopped (SIGSTOP), then the rate
#      at which it empties its socket after SIGCONT (until its files stop growing).
#   3. syscalls: system calls per datagram (perf's raw_syscalls, else strace -c -f) while
#      SYSCALL_COUNT datagrams arrive at SYSCALL_RATE.
# Reported: every run, then per receiver min/median/max over reps and the ratios to rsyslog and
# to the C loop, computed within each rep, with their range; /proc/loadavg before and after.
#
#   bench/compare_rsyslog.sh                 (build first: scripts/build.sh or cmake --build)
# Settings through the environment (defaults in brackets):
#   COUNT [500000]  REPS [3]  RATES ["50000 100000 150000 200000 300000 400000"]
#   BACKLOG [15000]  SYSCALL_COUNT [200000]  SYSCALL_RATE [50000]  RCVBUF [8388608]
#   RECEIVERS ["quendal rsyslog c-loop"]  SKIP ["" or any of: rate drain syscalls]
#   TRACER [perf; strace to count with strace -c -f instead]
#   QUENDAL_BINARY [build/src/quendal-syslog]: another build of the receiver, to compare two
# Needs: rsyslog (scripts/install-deps.sh --bench), cc, python3; perf or strace for step 3.
set -eu
. "$(dirname "$0")/own_network.sh"
. bench/receiver_files.sh

COUNT=${COUNT:-500000}
REPS=${REPS:-3}
RATES=${RATES:-50000 100000 150000 200000 300000 400000}
BACKLOG=${BACKLOG:-15000}
SYSCALL_COUNT=${SYSCALL_COUNT:-200000}
SYSCALL_RATE=${SYSCALL_RATE:-50000}
RCVBUF=${RCVBUF:-8388608}
RECEIVERS=${RECEIVERS:-quendal rsyslog c-loop}
SKIP=${SKIP:-}

quendal=${QUENDAL_BINARY:-$PWD/build/src/quendal-syslog}
flood=$PWD/build/tools/syslog-flood/quendal-syslog-flood
require_built "$quendal" "$flood"
find_rsyslogd

work=$(mktemp -d)
pid=""
cleanup() {
    [ -n "$pid" ] && kill -CONT "$pid" 2>/dev/null && kill -TERM "$pid" 2>/dev/null
    [ -n "${KEEP:-}" ] && echo "kept $work" >&2 || rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

cc -O2 -o "$work/c_receiver" bench/c_receiver.c
# Resumes the stopped receiver and prints the seconds until its files stopped growing.
cat >"$work/drain.py" <<'EOF'
import glob, os, signal, sys, time
pid, folder = int(sys.argv[1]), sys.argv[2]
def size():
    return sum(os.stat(f).st_size for f in glob.glob(folder + "/*.?lg") + glob.glob(folder + "/entries.log"))
start_size = size()
start = time.monotonic()
os.kill(pid, signal.SIGCONT)
last, changed = start_size, start
while time.monotonic() - changed < 0.5:
    s = size()
    if s != last:
        last, changed = s, time.monotonic()
    time.sleep(0.0002)
print("%.6f" % (changed - start))
EOF

results=$work/results.tsv
: >"$results"
port=51400

skipped() { case " $SKIP " in *" $1 "*) return 0 ;; esac; return 1; }

# Starts receiver $1 with its files in $2 on a fresh port; sets pid and port.
start_receiver() {
    port=$((port + 1))
    rm -rf "$2"
    mkdir -p "$2"
    case $1 in
    quendal)
        "$quendal" --headless --port "$port" --log-dir "$2" >/dev/null 2>"$2/err" &
        pid=$!
        ;;
    rsyslog)
        start_rsyslog_udp "$2" "$port" "$RCVBUF"
        ;;
    c-loop)
        "$work/c_receiver" "$port" "$2" "$RCVBUF" 2>"$2/err" &
        pid=$!
        ;;
    esac
    hexport=$(printf '%04X' "$port")
    i=0
    # The headless receiver listens on both families (/proc/net/udp6), the anchors on IPv4.
    until cat /proc/net/udp /proc/net/udp6 2>/dev/null | grep -q "^ *[0-9]*: [0-9A-F]*:$hexport "; do
        i=$((i + 1))
        if [ $i -gt 200 ] || ! kill -0 "$pid" 2>/dev/null; then
            echo "compare_rsyslog: $1 did not start:" >&2
            cat "$2/err" >&2
            exit 1
        fi
        sleep 0.05
    done
}

stop_receiver() {
    kill -CONT "$pid" 2>/dev/null || true
    kill -TERM "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    pid=""
}

record() { # rep receiver metric value
    printf '%s\t%s\t%s\t%s\n' "$1" "$2" "$3" "$4" >>"$results"
}

echo "load before: $(cat /proc/loadavg)   cores: $(nproc)"
echo "COUNT=$COUNT REPS=$REPS RATES=\"$RATES\" BACKLOG=$BACKLOG RCVBUF=$RCVBUF"
printf '%-4s %-8s %-9s %10s %10s %10s %10s\n' rep receiver step target sent/s entries lost

for rep in $(seq 1 "$REPS"); do
    # 1. The highest paced rate without loss.
    if ! skipped rate; then
        alive=" $RECEIVERS "
        for r in $RECEIVERS; do record "$rep" "$r" maxrate 0; done
        for rate in $RATES; do
            for r in $RECEIVERS; do
                case $alive in *" $r "*) ;; *) continue ;; esac
                dir=$work/$r
                start_receiver "$r" "$dir"
                sent=$(send "$COUNT" "$rate" "$rep")
                sent=${sent:-0}
                wait_drained "$dir"
                got=$(entries "$dir")
                stop_receiver
                lost=$((COUNT - got))
                printf '%-4s %-8s %-9s %10s %10s %10s %10s\n' "$rep" "$r" rate "$rate" "$sent" "$got" "$lost"
                if [ "$sent" -lt $((rate * 95 / 100)) ]; then
                    # The sender fell short of the pace: this rung says nothing; stop here.
                    echo "     (the sender reached only $sent/s: $r's ladder ends, its figure is a lower bound)"
                    record "$rep" "$r" senderlimited 1
                    alive=$(echo "$alive" | sed "s/ $r / /")
                    alive=" $alive "
                elif [ "$lost" -eq 0 ]; then
                    sed -i "/^$rep\t$r\tmaxrate\t/d" "$results"
                    record "$rep" "$r" maxrate "$rate"
                else
                    alive=$(echo "$alive" | sed "s/ $r / /")
                    alive=" $alive "
                fi
            done
        done
    fi

    # 2. Draining a queued backlog.
    if ! skipped drain; then
        for r in $RECEIVERS; do
            dir=$work/$r
            start_receiver "$r" "$dir"
            kill -STOP "$pid"
            send "$BACKLOG" 0 "$rep" >/dev/null
            seconds=$(python3 "$work/drain.py" "$pid" "$dir")
            got=$(entries "$dir")
            stop_receiver
            rate=$(awk -v n="$got" -v s="$seconds" 'BEGIN { printf "%.0f", (s > 0 ? n / s : 0) }')
            printf '%-4s %-8s %-9s %10s %10s %10s %10s\n' "$rep" "$r" drain "$BACKLOG" "${rate}/s" "$got" $((BACKLOG - got))
            record "$rep" "$r" drain "$rate"
        done
    fi

    # 3. System calls per datagram under a steady load.
    if ! skipped syscalls; then
        for r in $RECEIVERS; do
            dir=$work/$r
            start_receiver "$r" "$dir"
            if [ "${TRACER:-perf}" = perf ] && command -v perf >/dev/null &&
                perf stat -e raw_syscalls:sys_enter true 2>/dev/null; then
                perf stat -x, -e raw_syscalls:sys_enter -p "$pid" -o "$work/perf.out" &
                tracer=$!
                sleep 0.3
                send "$SYSCALL_COUNT" "$SYSCALL_RATE" "$rep" >/dev/null
                wait_drained "$dir"
                kill -INT "$tracer"
                wait "$tracer" || true
                calls=$(awk -F, '/raw_syscalls/ { print $1 }' "$work/perf.out")
            elif command -v strace >/dev/null; then
                strace -q -c -f -U calls,name -p "$pid" -o "$work/strace.out" &
                tracer=$!
                sleep 0.5
                send "$SYSCALL_COUNT" "$SYSCALL_RATE" "$rep" >/dev/null
                wait_drained "$dir"
                kill -INT "$tracer"
                wait "$tracer" || true
                calls=$(awk '/ total$/ { print $1 }' "$work/strace.out")
            else
                calls=""
            fi
            got=$(entries "$dir")
            stop_receiver
            if [ -n "$calls" ] && [ "$got" -gt 0 ]; then
                per=$(awk -v c="$calls" -v n="$got" 'BEGIN { printf "%.3f", c / n }')
                printf '%-4s %-8s %-9s %10s %10s %10s %10s\n' "$rep" "$r" syscalls "$SYSCALL_RATE" "$per/dg" "$got" $((SYSCALL_COUNT - got))
                record "$rep" "$r" syscalls "$per"
            fi
        done
    fi
done
echo "load after:  $(cat /proc/loadavg)"

# Summary: per receiver min/median/max over reps; ratios of quendal to each anchor per rep.
echo
python3 - "$results" <<'EOF'
import collections, statistics, sys
values = collections.defaultdict(dict)  # (metric, receiver) -> {rep: value}
for line in open(sys.argv[1]):
    rep, receiver, metric, value = line.rstrip("\n").split("\t")
    if value:
        values[(metric, receiver)][rep] = float(value)
names = {"maxrate": "max rate with 0 loss (/s)", "drain": "drain rate (/s)",
         "syscalls": "system calls per datagram"}
for metric in ("maxrate", "drain", "syscalls"):
    receivers = [r for (m, r) in values if m == metric]
    if not receivers:
        continue
    print(names[metric])
    if metric == "maxrate":
        for r in receivers:
            limited = len(values.get(("senderlimited", r), {}))
            if limited:
                print("  (%s: the sender could not keep the pace in %d reps: a lower bound)" % (r, limited))
    for r in receivers:
        v = list(values[(metric, r)].values())
        print("  %-8s min %10.3f  median %10.3f  max %10.3f  (%d reps)" %
              (r, min(v), statistics.median(v), max(v), len(v)))
    ours = values.get((metric, "quendal"), {})
    for anchor in ("rsyslog", "c-loop"):
        theirs = values.get((metric, anchor), {})
        ratios = [ours[k] / theirs[k] for k in ours if k in theirs and theirs[k] > 0]
        if ratios:
            print("  quendal / %-7s median %.2f  range %.2f .. %.2f  (%d reps)" %
                  (anchor, statistics.median(ratios), min(ratios), max(ratios), len(ratios)))
EOF
