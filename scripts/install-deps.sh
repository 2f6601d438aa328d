#!/bin/sh
# Installs the Debian packages the project needs, and only those that are missing.
#   scripts/install-deps.sh          what building and running needs
#   scripts/install-deps.sh --test   also what the tests and benchmarks need
#   scripts/install-deps.sh --screenshot   also what taking the README's screenshot needs
#   scripts/install-deps.sh --bench  also what bench/compare_rsyslog.sh needs
#   scripts/install-deps.sh --package      also what building the Debian package needs
#   scripts/install-deps.sh --fuzz   also what fuzzing needs
set -eu

# qt6-svg-dev draws the icons, qt6-charts-dev the Activity tab (its CMake files need
# libqt6opengl6-dev, which Debian 12 does not pull in); the window needs at least one font, also
# off screen.
packages="cmake ninja-build g++ pkg-config qt6-base-dev qt6-svg-dev qt6-charts-dev"
packages="$packages libqt6opengl6-dev fonts-dejavu-core libcap2-bin"
packages="$packages zlib1g-dev" # zlib reads the compressed, rotated log files (history search)
# libsystemd tells systemd that the service is ready and hands it its socket.
packages="$packages libsystemd-dev"
if [ "${1:-}" = "--test" ]; then
    # logger (bsdutils) is the real syslog client of the tests; unshare (util-linux) and ip
    # (iproute2) give the test run a network of its own; logrotate rotates the log files under
    # a test; desktop-file-validate checks the menu entry.
    packages="$packages libgtest-dev libbenchmark-dev bsdutils util-linux iproute2 logrotate"
    packages="$packages desktop-file-utils"
    # ccache keeps the second, sanitized build of the test run quick.
    packages="$packages ccache"
    # python3 and rsyslog are further real syslog clients of the message-format tests.
    packages="$packages python3 rsyslog"
    # rsyslog-openssl lets rsyslog forward over TLS to the receiver under test; openssl makes
    # the tests' certificates.
    packages="$packages rsyslog-openssl openssl"
    # dnsmasq (its binary only: dnsmasq-base, no system service) and dhclient build the private
    # DHCP network of the lease tests; setpriv (util-linux) runs dhclient without root there.
    packages="$packages dnsmasq-base isc-dhcp-client"
    # Xvfb (with xauth) is the X server of the tests that draw the window on a real display.
    packages="$packages xvfb xauth"
    # clang-format checks that the sources keep the project's layout (scripts/check-format.sh).
    packages="$packages clang-format"
    # The accessibility bus (started on demand inside dbus-run-session) and pyatspi read the
    # window as a screen reader does.
    packages="$packages at-spi2-core python3-pyatspi dbus"
    # systemd-analyze checks the unit (it is not the init system here); systemd-socket-activate
    # hands the service its socket as systemd would.
    packages="$packages systemd"
fi
if [ "${1:-}" = "--package" ]; then
    # dpkg-buildpackage and debhelper build the packages from debian/, fakeroot lets them own
    # their files as root, lintian checks them.
    packages="$packages dpkg-dev debhelper fakeroot lintian"
fi
if [ "${1:-}" = "--fuzz" ]; then
    # clang with libFuzzer and the sanitizer runtimes, and what the targets build against.
    packages="$packages clang libclang-rt-dev libgtest-dev"
fi
if [ "${1:-}" = "--screenshot" ]; then
    # A virtual X display, a way to press the dialog's keys, and a way to capture the window.
    packages="$packages xvfb xdotool imagemagick bsdutils"
fi

if [ "${1:-}" = "--bench" ]; then
    # rsyslog is the daemon-class anchor (run with the benchmark's own configuration; note that
    # on a machine with systemd the package also enables the system's syslog service), a C
    # compiler builds the C anchor, perf or strace count system calls.
    packages="$packages libbenchmark-dev rsyslog gcc python3 strace linux-perf"
    # The TCP, TLS and forwarding benchmarks: rsyslog's TLS driver, certificates made by openssl.
    packages="$packages rsyslog-openssl openssl"
fi

missing=""
for p in $packages; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done
[ -z "$missing" ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null 2>&1; then
        echo "install-deps: missing packages:$missing (run as root, or install sudo)" >&2
        exit 1
    fi
    sudo="sudo"
fi
echo "install-deps: installing$missing" >&2
$sudo apt-get update -qq
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing
