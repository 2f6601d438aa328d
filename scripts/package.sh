#!/bin/sh
# Builds the Debian packages from debian/ with dpkg-buildpackage, then checks them:
#   quendal-syslogd_VERSION_ARCH.deb  the service, its systemd unit and socket, configuration
#                                     file, logrotate file and manual page (Qt Core and Network)
#   quendal-syslog_VERSION_ARCH.deb   the window, desktop entry, icons and manual page
# Checks: lintian (no errors, no warnings), and where this runs as root, installing both with
# apt-get and running the installed quendal-syslogd. Installs what it needs first
# (scripts/install-deps.sh --package).
#   scripts/package.sh            the .deb files end up in build-deb/
set -eu
cd "$(dirname "$0")/.."
top=$(pwd)
out=${QUENDAL_PACKAGE_BUILD:-build-deb}
scripts/install-deps.sh --package

# dpkg-buildpackage writes its results next to the source folder, and its build folders inside
# it: a copy of the sources in $out keeps both out of the working tree.
src="$out/src"
rm -rf "$src"
mkdir -p "$src"
if git rev-parse --git-dir >/dev/null 2>&1; then
    git ls-files -z --cached --others --exclude-standard | grep -zv "^$out/" |
        xargs -0 tar -cf - | tar -xf - -C "$src"
else
    tar --exclude="./$out" --exclude=./build --exclude='./build-*' -cf - . | tar -xf - -C "$src"
fi
rm -f "$out"/*.deb "$out"/*.buildinfo "$out"/*.changes

# Objects of an earlier package build serve this one (ccache, paths relative to $top).
if command -v ccache >/dev/null 2>&1; then
    export QUENDAL_COMPILER_LAUNCHER=ccache CCACHE_BASEDIR="$top" CCACHE_NOHASHDIR=1
fi
jobs=$(nproc)
(cd "$src" && DEB_BUILD_OPTIONS="nocheck parallel=$jobs" dpkg-buildpackage -b -us -uc) \
    >"$out/build.log" 2>&1 || {
    tail -n 40 "$out/build.log" >&2
    echo "package: dpkg-buildpackage failed; the whole log is $out/build.log" >&2
    exit 1
}
changes=$(ls "$out"/quendal-syslog_*.changes)
debs=$(ls "$out"/*.deb)

# Errors and warnings fail; pedantic and informational tags are shown only.
echo "package: lintian" >&2
lintian --fail-on error,warning "$changes"

if [ "$(id -u)" -eq 0 ] && command -v apt-get >/dev/null 2>&1; then
    echo "package: installing with apt-get" >&2
    # The maintainer scripts start the unit where systemd runs; without it they say so and go on.
    # The two packages, not their debug symbols.
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        $(for d in $debs; do case $d in *-dbgsym_*) ;; *) echo "./$d" ;; esac; done) \
        >"$out/install.log" 2>&1 || {
        tail -n 20 "$out/install.log" >&2
        echo "package: apt-get install failed" >&2
        exit 1
    }
    /usr/bin/quendal-syslogd --version
    if /usr/bin/quendal-syslogd --help | grep -q -- --check-config; then
        /usr/bin/quendal-syslogd --check-config
    else
        echo "package: this quendal-syslogd has no --check-config yet; not checked" >&2
    fi
    test -f /etc/quendal-syslog/quendal-syslogd.conf
    test -f /lib/systemd/system/quendal-syslogd.socket
    test -f /etc/logrotate.d/quendal-syslogd
    # The service package must not pull in the window's libraries.
    if dpkg-query -W -f='${Depends}\n' quendal-syslogd | grep -E -q 'libqt6(gui|widgets|svg|charts)'; then
        echo "package: quendal-syslogd depends on display libraries" >&2
        exit 1
    fi
else
    echo "package: not root: the packages were not installed and run" >&2
fi
for d in $debs; do
    echo "package: built $top/$d"
done
