#!/bin/sh
# The window through AT-SPI, as a screen reader reads it: accessibility_check.py inside a
# session bus of its own, on which the accessibility bus starts on demand.
#   accessibility_test.sh PATH-TO-quendal-syslog
# Exits 77 (skipped) with the reason when a part of the desktop it needs is missing.
set -eu
here=$(dirname "$0")
skip() {
    echo "SKIP: $*"
    exit 77
}
[ $# -eq 1 ] || { echo "usage: $0 PATH-TO-quendal-syslog" >&2; exit 2; }
command -v Xvfb >/dev/null 2>&1 || skip "Xvfb is not installed (xvfb)"
command -v dbus-run-session >/dev/null 2>&1 || skip "dbus-run-session is not installed (dbus)"
[ -x /usr/libexec/at-spi-bus-launcher ] || skip "the accessibility bus is not installed (at-spi2-core)"
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || skip "pyatspi is not installed (python3-pyatspi)"
# Under AddressSanitizer the system's keymap library (xkbcommon) reads strings that strict checks
# refuse, as the X server tests say too: the window runs there without them.
if [ -n "${ASAN_OPTIONS:-}" ]; then
    ASAN_OPTIONS=$(echo "$ASAN_OPTIONS" | sed 's/strict_string_checks=1/strict_string_checks=0/')
    export ASAN_OPTIONS
fi
exec dbus-run-session -- /usr/bin/python3 "$here/accessibility_check.py" "$1"
