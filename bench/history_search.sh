#!/bin/sh
# The history search beside grep: ENTRIES log entries in 15 files (five categories, each the
# file itself and NAME.1, and NAME.2.gz for three of them, NAME.2 for the others), searched by
# `quendal-syslog --search` and by `grep -c` over the plain files plus `zgrep -c` over the
# compressed ones, reps interleaved:
#   literal      --search LIT --match-case   against grep -F / zgrep -F
#   ignore case  --search LIT                against grep -F -i / zgrep -F -i
#   regex        --search RE --regex --match-case   against grep -E / zgrep -E
# and the time until the first entry is printed, the window's first result on screen being
# that plus one batch. Ratios are grep's time / the search's time (above 1: faster than grep),
# median with the range over the reps, and /proc/loadavg before and after.
#   ENTRIES=3000000 REPS=5 bench/history_search.sh
set -eu
cd "$(dirname "$0")/.."
entries=${ENTRIES:-3000000}
reps=${REPS:-5}
search=${SEARCH_BINARY:-build/src/quendal-syslog}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# GENERATE_ONLY=DIR writes the files into DIR and stops, for a look with other tools.
[ -n "${GENERATE_ONLY:-}" ] && { trap - EXIT; rmdir "$work"; work=$GENERATE_ONLY; mkdir -p "$work"; }

echo "load before: $(cat /proc/loadavg)"
python3 - "$work" "$entries" <<'PY'
import random, sys, zlib, gzip, os
folder, total = sys.argv[1], int(sys.argv[2])
rng = random.Random(7)
names = ["FIrWareLog.flg", "VPNLog.vlg", "UserAccessLog.ulg", "CallLog.clg", "WanLog.wlg"]
months = ["Jan","Feb","Mar","Apr","May","Jun","Jul","Aug","Sep","Oct","Nov","Dec"]
hosts = ["gateway", "router-2", "10.0.0.1", "fw.example.lan"]
per = total // 15
second = 0
for i, name in enumerate(names):
    for generation in (2, 1, 0):
        out = []
        for _ in range(per):
            second += 1
            day, rest = divmod(second // 20, 86400)
            t = "%s %2d %02d:%02d:%02d" % (months[10], 1 + day % 28, rest // 3600, rest // 60 % 60, rest % 60)
            src = "10.0.%d.%d" % (rng.randrange(8), rng.randrange(1, 60))
            dpt = rng.choice((22, 23, 80, 443, 53, 8080, 3389))
            kind = rng.choice(("Packet blocked", "Packet accepted", "Connection reset"))
            if rng.randrange(50) == 0:
                t = "[" + t + "]"
            out.append("%s\r\n%s\r\n%s: IN=eth0 SRC=%s DST=192.168.1.%d PROTO=TCP SPT=%d DPT=%d\r\n"
                       % (t, rng.choice(hosts), kind, src, rng.randrange(1, 250), rng.randrange(1024, 65535), dpt))
        data = "".join(out).encode()
        path = os.path.join(folder, name + ("" if generation == 0 else ".%d" % generation))
        if generation == 2 and i < 3:
            with gzip.open(path + ".gz", "wb", compresslevel=6) as f:
                f.write(data)
        else:
            with open(path, "wb") as f:
                f.write(data)
PY
[ -n "${GENERATE_ONLY:-}" ] && exit 0
plain=$(find "$work" -type f ! -name '*.gz' | sort)
compressed=$(find "$work" -type f -name '*.gz' | sort)
echo "files: $(echo "$plain" | wc -l) plain, $(echo "$compressed" | wc -l) gzip; $(du -sh "$work" | cut -f1) on disk"
# Warm the page cache for both.
cat $plain $compressed >/dev/null

now() { date +%s%N; }
# Seconds a command takes, its output to $work/out.
timed() {
    start=$(now)
    "$@" >"$work/out" 2>/dev/null || true
    echo "$(( $(now) - start ))"
}
grep_both() {
    # grep's -c counts lines per file; the sum is what both found.
    { grep "$@" $plain; zgrep "$@" $compressed; } | awk -F: '{ s += $NF } END { print s }'
}

literal='SRC=10.0.5.7 '
regex='SRC=10\.0\.5\.7 .*DPT=(22|23)'
: >"$work/times"
rep=1
while [ "$rep" -le "$reps" ]; do
    echo "literal ours $(timed "$search" --search "$literal" --match-case --log-dir "$work")" >>"$work/times"
    ours_literal=$(wc -l <"$work/out")
    echo "literal grep $(timed grep_both -F -c "$literal")" >>"$work/times"
    grep_literal=$(cat "$work/out")
    echo "icase grep $(timed grep_both -F -i -c "$literal")" >>"$work/times"
    echo "icase ours $(timed "$search" --search "$literal" --log-dir "$work")" >>"$work/times"
    echo "regex ours $(timed "$search" --search "$regex" --regex --match-case --log-dir "$work")" >>"$work/times"
    ours_regex=$(wc -l <"$work/out")
    echo "regex grep $(timed grep_both -E -c "$regex")" >>"$work/times"
    grep_regex=$(cat "$work/out")
    first=$(python3 - "$search" "$work" "$literal" <<'PY'
import subprocess, sys, time
start = time.monotonic()
p = subprocess.Popen([sys.argv[1], "--search", sys.argv[3], "--log-dir", sys.argv[2]], stdout=subprocess.PIPE)
p.stdout.readline()
print(int((time.monotonic() - start) * 1000))
p.kill()
PY
)
    echo "first $first" >>"$work/times"
    rep=$((rep + 1))
done
echo "entries found: literal ours $ours_literal grep $grep_literal; regex ours $ours_regex grep $grep_regex"
python3 - "$work/times" <<'PY'
import sys, statistics
times = {}
for line in open(sys.argv[1]):
    fields = line.split()
    if len(fields) == 3:
        times.setdefault((fields[0], fields[1]), []).append(int(fields[2]))
for kind in ("literal", "icase", "regex"):
    ours, grep = times[(kind, "ours")], times[(kind, "grep")]
    ratios = [g / o for g, o in zip(grep, ours)]
    print("%-8s ours median %6.0f ms, grep %6.0f ms; grep/ours median %.2f (%.2f-%.2f)" % (
        kind, statistics.median(ours) / 1e6, statistics.median(grep) / 1e6,
        statistics.median(ratios), min(ratios), max(ratios)))
PY
python3 - "$work/times" <<'PY'
import sys, statistics
first = [int(l.split()[1]) for l in open(sys.argv[1]) if l.startswith("first ")]
print("first entry printed after median %d ms (%d-%d)" % (statistics.median(first), min(first), max(first)))
PY
echo "load after: $(cat /proc/loadavg)"
