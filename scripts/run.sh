#!/bin/sh
# Installs what is missing, builds, and runs QuenDalSysLog: the window when a display is
# available, else the receiver without a window (options as for quendal-syslog --headless; see
# --help). Either way it receives on the standard syslog port 514 unless told otherwise; as a
# normal user the program is then given the capability to bind ports below 1024 (with sudo).
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh >/dev/null

binary=build/src/quendal-syslog
low_port=yes
for arg in "$@"; do
    case "$arg" in
        --port|--port=*) low_port=no ;;
    esac
done
if [ "$low_port" = yes ] && [ "$(id -u)" -ne 0 ]; then
    if ! sudo setcap cap_net_bind_service=+ep "$binary"; then
        echo "run: could not grant the right to bind port 514; choose a port above 1023" >&2
    fi
fi
exec "$binary" "$@"
