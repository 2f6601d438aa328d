# Sourced first by the benchmark scripts: moves to the repository's root and, run as root,
# re-runs the script in a network namespace of its own, so no benchmark traffic can leave
# loopback. `script` names the running script.
script=$(cd "$(dirname "$0")" && pwd)/$(basename "$0")
cd "$(dirname "$0")/.."

if [ -z "${QUENDAL_BENCH_NETNS:-}" ] && [ "$(id -u)" = 0 ] && command -v unshare >/dev/null; then
    export QUENDAL_BENCH_NETNS=1
    exec unshare -n sh -c 'ip link set lo up && exec "$0" "$@"' "$script" "$@"
fi

# Stops the run unless every file named is an executable this checkout built.
require_built() {
    for built in "$@"; do
        [ -x "$built" ] ||
            { echo "$(basename "$script" .sh): $built missing: build the project first" >&2; exit 1; }
    done
}

# Sets `rsyslogd` to Debian's rsyslogd, or stops the run.
find_rsyslogd() {
    rsyslogd=$(command -v rsyslogd || echo /usr/sbin/rsyslogd)
    [ -x "$rsyslogd" ] || {
        echo "$(basename "$script" .sh): rsyslogd missing: scripts/install-deps.sh --bench" >&2
        exit 1
    }
}
