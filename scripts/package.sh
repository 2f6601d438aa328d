#!/bin/sh
# Builds the Debian package of both programs: quendal-syslog_VERSION-1_ARCH.deb in the top
# folder, with the window, the service quendal-syslogd, its systemd unit, the desktop entry, the
# icons and the manual pages, and dependencies found by dpkg-shlibdeps. Then, where lintian is
# installed, checks it.
#   scripts/package.sh                      build the package (in build-deb/)
#   sudo apt-get install ./quendal-syslog_*.deb
set -eu
cd "$(dirname "$0")/.."
top=$(pwd)
build=${QUENDAL_PACKAGE_BUILD:-build-deb}
for tool in dpkg-deb dpkg-shlibdeps; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "package: $tool is missing (apt-get install dpkg-dev)" >&2
        exit 1
    fi
done

launcher=""
if command -v ccache >/dev/null 2>&1; then
    # Objects of build/ serve this build folder too.
    launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
    export CCACHE_BASEDIR="$top" CCACHE_NOHASHDIR=1
fi
# Installed under /usr; on Debian 12 units of packages live in /lib/systemd/system.
cmake -S . -B "$build" -G Ninja $launcher -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
    -DQUENDAL_SYSTEMD_UNIT_DIR=/lib/systemd/system \
    -DQUENDAL_BUILD_TESTS=OFF -DQUENDAL_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target quendal-syslog quendal-syslogd quendal_man_pages

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
arch=$(dpkg --print-architecture)
package=quendal-syslog
# Who signs the package: DEBFULLNAME and DEBEMAIL, as for Debian's own tools.
maintainer_name=${DEBFULLNAME:-QuenDalSysLog developers}
maintainer_mail=${DEBEMAIL:-quendal-syslog@example.org}
stage="$build/stage"
rm -rf "$stage"
DESTDIR="$top/$stage" cmake --install "$build" --strip >/dev/null

# The package's own documents, as Debian wants them.
doc="$stage/usr/share/doc/$package"
mkdir -p "$doc"
cat > "$doc/copyright" <<COPYRIGHT
Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: QuenDalSysLog

Files: *
Copyright: 2026 the QuenDalSysLog developers
License: other
 All rights reserved by the QuenDalSysLog developers; no public licence has been
 chosen yet.
COPYRIGHT
date=$(date -R -d "@$(git log -1 --format=%ct 2>/dev/null || date +%s)")
cat > "$build/changelog.Debian" <<CHANGELOG
$package ($version-1) unstable; urgency=medium

  * Package of the window and of the service quendal-syslogd.

 -- $maintainer_name <$maintainer_mail>  $date
CHANGELOG
gzip -9n -c "$build/changelog.Debian" > "$doc/changelog.Debian.gz"

# Dependencies of both binaries, from the shared libraries they link.
work="$build/shlibdeps"
rm -rf "$work"
mkdir -p "$work/debian"
printf 'Source: %s\n\nPackage: %s\nArchitecture: any\n' "$package" "$package" \
    > "$work/debian/control"
depends=$(cd "$work" && dpkg-shlibdeps -O \
    -e"$top/$stage/usr/bin/quendal-syslog" -e"$top/$stage/usr/bin/quendal-syslogd" 2>/dev/null |
    sed -n 's/^shlibs:Depends=//p')
# The icons are read by Qt's SVG plugin, which dpkg-shlibdeps cannot see (the display plugins
# come with libqt6gui6).
depends="$depends, libqt6svg6"

mkdir -p "$stage/DEBIAN"
installed_size=$(du -sk --exclude=DEBIAN "$stage" | cut -f1)
cat > "$stage/DEBIAN/control" <<CONTROL
Package: $package
Version: $version-1
Architecture: $arch
Maintainer: $maintainer_name <$maintainer_mail>
Installed-Size: $installed_size
Depends: $depends
Section: net
Priority: optional
Description: syslog receiver and viewer for broadband routers
 QuenDalSysLog receives the syslog of broadband routers over UDP, filters it
 by sender, sorts it by facility into five categories (FireWall, VPN, User
 Access, Call, WAN), appends every entry to its category's log file, shows the
 routers' link status, and forwards every accepted datagram to a second syslog
 host.
 .
 quendal-syslog is the desktop window; quendal-syslogd is the same receiver
 without a window, for servers, with a systemd unit that receives on port 514
 under a dynamic user and keeps the log files in /var/lib/quendal-syslog.
CONTROL
(cd "$stage" && find usr lib -type f -exec md5sum {} + | sort -k2) > "$stage/DEBIAN/md5sums"
find "$stage" -type d -exec chmod 0755 {} +
find "$stage" -type f -exec chmod 0644 {} +
chmod 0755 "$stage/usr/bin/"*

deb="${package}_${version}-1_${arch}.deb"
dpkg-deb --root-owner-group -Zxz --build "$stage" "$deb" >/dev/null
echo "package: built $deb" >&2
if command -v lintian >/dev/null 2>&1; then
    lintian --fail-on error "$deb"
else
    echo "package: lintian is not installed; the package was not checked" >&2
fi
