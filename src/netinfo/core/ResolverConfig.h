#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace quendal {

// The "nameserver" addresses of a resolv.conf text, in order.
QStringList parseNameservers(const QString& resolvConf);

// The DNS servers the machine uses: those of /etc/resolv.conf, except when that file points only
// at systemd-resolved's local stub (127.0.0.53 or 127.0.0.54) and resolved's upstream list
// (/run/systemd/resolve/resolv.conf) is there: then the upstream servers, which are what the
// user knows and can reach.
QStringList chooseDnsServers(const QString& resolvConf,
                             const std::optional<QString>& resolvedUpstream);

} // namespace quendal
