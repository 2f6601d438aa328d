#pragma once

#include <QString>
#include <QtGlobal>

namespace quendal {

// Why forwarding to an address (dotted IPv4 or IPv6, as normalizedHostAddress() gives it) and
// port cannot work, or an empty text when it can. Port 0 reaches nobody, 0.0.0.0 and :: name no
// host, 255.255.255.255 would hand every entry to the whole local network (and is refused by
// the system without a broadcast permission), and a multicast address (224.0.0.0/4, also mapped
// into IPv6, and ff00::/8) names a group of hosts rather than one.
QString replayTargetProblem(const QString& address, quint16 port);

} // namespace quendal
