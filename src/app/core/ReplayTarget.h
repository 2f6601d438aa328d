#pragma once

#include <QString>
#include <QtGlobal>

namespace quendal {

// Why forwarding to a dotted IPv4 address and port cannot work, or an empty text when it can.
// Port 0 reaches nobody, 0.0.0.0 names no host, and 255.255.255.255 would hand every entry to
// the whole local network (and is refused by the system without a broadcast permission).
QString replayTargetProblem(const QString& dottedAddress, quint16 port);

} // namespace quendal
