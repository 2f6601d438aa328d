#pragma once

#include <QHash>
#include <QString>

namespace quendal {

// The default gateway of each interface from the text of /proc/net/route: interface name to
// dotted address, the first default route (destination and mask 0, gateway flag set) of an
// interface winning. The kernel writes addresses as hex of the native-order 32-bit word, so the
// parse is right for the machine that wrote the text.
QHash<QString, QString> parseDefaultGateways(const QString& procNetRoute);

} // namespace quendal
