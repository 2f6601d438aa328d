#!/bin/sh
# Takes docs/screenshot.png: the real window on a virtual X display (Xvfb), started with OK in
# its settings dialog, after router traffic from the traffic generator and a few emergencies
# sent with logger; then docs/screenshot-find.png: the same window with the find bar in use, a
# term typed and its matches marked among all rows. Everything goes over loopback.
#   scripts/screenshot.sh [output.png [find-output.png]]
# With --activity it takes docs/activity.png instead: the Activity tab after about two minutes
# of the generator's status reports in two connection modes with a silence between them, and
# entries of every category with a few emergencies.
#   scripts/screenshot.sh --activity [output.png]
# With --columns it takes docs/screenshot-columns.png instead: the FireWall list with its Severity
# and Sender columns shown, entries of several severities from two loopback senders, and the
# find bar's current match selected while the focus stays in the find field.
#   scripts/screenshot.sh --columns [output.png]
set -eu
cd "$(dirname "$0")/.."
activity=""
columns=""
if [ "${1:-}" = "--activity" ]; then
    activity=1
    shift
elif [ "${1:-}" = "--columns" ]; then
    columns=1
    shift
fi
output="${1:-docs/screenshot.png}"
find_output="${2:-docs/screenshot-find.png}"
[ -n "$activity" ] && output="${1:-docs/activity.png}"
[ -n "$columns" ] && output="${1:-docs/screenshot-columns.png}"
scripts/install-deps.sh --screenshot
scripts/build.sh >/dev/null

home="$(mktemp -d)"
display=":$((90 + $$ % 100))"
port=5514
cleanup() {
    [ -n "${app:-}" ] && kill "$app" 2>/dev/null || true
    [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null || true
    rm -rf "$home"
}
trap cleanup EXIT INT TERM

Xvfb "$display" -screen 0 1200x860x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY="$display" XDG_CONFIG_HOME="$home/config" XDG_RUNTIME_DIR="$home"
unset WAYLAND_DISPLAY QT_QPA_PLATFORM
for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done

if [ -n "$columns" ]; then
    # The Severity and Sender columns of the FireWall tab, as the header's menu leaves them.
    mkdir -p "$home/config"
    printf '[Window]\nShownColumns0="3,4"\n' >"$home/config/QuendalSysLog.conf"
fi

binary="$(pwd)/build/src/quendal-syslog"
flood="$(pwd)/build/tools/syslog-flood/quendal-syslog-flood"
# The Client page's router search goes to the discard port on loopback, not the network.
(cd "$home" && exec "$binary" --router-search 127.0.0.1:9) &
app=$!

# The settings dialog opens with the program: another port than 514 (no privilege needed), OK.
dialog="$(xdotool search --sync --name 'SYSLOG Select Port' | head -n 1)"
xdotool windowfocus --sync "$dialog"
xdotool key --clearmodifiers ctrl+a
xdotool type --delay 20 "$port"
xdotool key Return
sleep 0.5

if [ -n "$activity" ]; then
    # Entries of every category all along, status reports in DHCP mode, a silence, then PPPoE.
    "$flood" --port "$port" --count 2200 --rate 18 --facilities firewall,vpn,useraccess,call,wan \
        --seed 5 2>/dev/null &
    entries=$!
    "$flood" --port "$port" --count 45 --rate 1 --facilities status --seed 1 2>/dev/null
    logger -n 127.0.0.1 -P "$port" -d --rfc3164 -p local0.emerg -t kernel \
        "SYN flood from 203.0.113.9 blocked, 512 packets dropped"
    sleep 20
    "$flood" --port "$port" --count 60 --rate 1 --facilities status --seed 3 2>/dev/null
    logger -n 127.0.0.1 -P "$port" -d --rfc3164 -p local4.emerg -t wan "WAN link lost"
    wait "$entries" || true
    window="$(xdotool search --name '^QuenDalSysLog$' | head -n 1)"
    xdotool windowfocus --sync "$window"
    xdotool key ctrl+9
    sleep 2
    mkdir -p "$(dirname "$output")"
    import -window "$window" "$output"
    echo "screenshot: $output"
    exit 0
fi

if [ -n "$columns" ]; then
    "$flood" --port "$port" --count 30 --rate 200 --facilities firewall --seed 7
    for priority in warning err notice crit info; do
        logger -n 127.0.0.1 -P "$port" -d --rfc5424 -p "local0.$priority" -t firewall \
            "TCP port scan from 198.51.100.23 ($priority)"
    done
    logger -n 127.0.0.1 -P "$port" -d --rfc3164 -p local0.emerg -t kernel \
        "SYN flood from 203.0.113.9 blocked, 512 packets dropped"
    "$flood" --port "$port" --count 8 --rate 200 --facilities firewall --seed 11 \
        --source 127.0.0.2
    sleep 1
    window="$(xdotool search --name '^QuenDalSysLog$' | head -n 1)"
    xdotool windowfocus --sync "$window"
    xdotool key --clearmodifiers ctrl+f
    sleep 0.3
    xdotool type --delay 20 "scan"
    sleep 0.3
    xdotool key F3 F3
    sleep 0.5
    mkdir -p "$(dirname "$output")"
    import -window "$window" "$output"
    echo "screenshot: $output"
    exit 0
fi

"$flood" --port "$port" --count 40 --rate 200 --facilities firewall --seed 7
logger -n 127.0.0.1 -P "$port" -d --rfc3164 -p local0.emerg -t kernel \
    "SYN flood from 203.0.113.9 blocked, 512 packets dropped"
"$flood" --port "$port" --count 6 --rate 200 --facilities firewall --seed 11
logger -n 127.0.0.1 -P "$port" -d --rfc3164 -p local0.emerg -t kernel \
    "Port scan from 198.51.100.23 stopped"
"$flood" --port "$port" --count 3 --rate 200 --facilities firewall --seed 12
sleep 1

window="$(xdotool search --name '^QuenDalSysLog$' | head -n 1)"
mkdir -p "$(dirname "$output")"
import -window "$window" "$output"
echo "screenshot: $output"

# Ctrl+F on the FireWall list, a term, then "Only matching rows" off (three tabs on from the
# text) so that the matches show marked among the others, and F3 to select the newest match.
xdotool windowfocus --sync "$window"
xdotool key --clearmodifiers ctrl+f
sleep 0.3
xdotool type --delay 20 "TCP"
xdotool key Tab Tab Tab space
sleep 0.3
xdotool key F3
sleep 0.3
mkdir -p "$(dirname "$find_output")"
import -window "$window" "$find_output"
echo "screenshot: $find_output"
