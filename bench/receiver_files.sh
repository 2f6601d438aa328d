# Sourced by the benchmark scripts that flood a receiver and read back what reached its files.
# `send` uses the caller's $flood, $port and $work.

# Entries in the log files of folder $1 (three lines each).
entries() {
    cat "$1"/*.?lg "$1"/entries.log 2>/dev/null | wc -l | awk '{ print int($1 / 3) }'
}

bytes() {
    cat "$1"/*.?lg "$1"/entries.log 2>/dev/null | wc -c
}

# Waits until the files of folder $1 have stopped growing.
wait_drained() {
    last=-1
    while :; do
        size=$(bytes "$1")
        [ "$size" = "$last" ] && break
        last=$size
        sleep 0.3
    done
}

send() { # count rate seed: prints the rate reached
    "$flood" --port "$port" --count "$1" --rate "$2" --seed "$3" \
        --facilities firewall,vpn,useraccess,call,wan 2>"$work/flood.err"
    sed -n 's/.* \([0-9]*\) per second$/\1/p' "$work/flood.err"
}

# A self-signed EC certificate for localhost and 127.0.0.1 in folder $1: server.pem, server.key,
# and server.ec.key (the key in the older form some TLS drivers read).
make_server_certificate() {
    openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 30 \
        -subj /CN=localhost -addext subjectAltName=DNS:localhost,IP:127.0.0.1 \
        -keyout "$1/server.key" -out "$1/server.pem" 2>/dev/null
    openssl ec -in "$1/server.key" -out "$1/server.ec.key" 2>/dev/null
}

# Starts rsyslogd receiving UDP on 127.0.0.1 port $2 with a receive buffer of $3 bytes, each
# entry three CR LF lines in folder $1's entries.log, as ours; its configuration and work folder
# are the run's own. Sets `pid`; needs $rsyslogd (find_rsyslogd).
start_rsyslog_udp() {
    mkdir -p "$1/rsyslog-work"
    cat >"$1/rsyslog.conf" <<RSYSLOG
global(workDirectory="$1/rsyslog-work" net.enableDNS="off")
module(load="imudp")
input(type="imudp" address="127.0.0.1" port="$2" rcvbufSize="$3")
template(name="entry" type="string" string="%timereported%\r\n%hostname%\r\n%msg%\r\n")
action(type="omfile" file="$1/entries.log" template="entry")
RSYSLOG
    "$rsyslogd" -n -f "$1/rsyslog.conf" -i "$1/rsyslog.pid" >/dev/null 2>"$1/err" &
    pid=$!
}
