#include "app/core/ReplayTarget.h"

#include <QHostAddress>

namespace quendal {

QString replayTargetProblem(const QString& address, quint16 port)
{
    if (address == QLatin1StringView("0.0.0.0"))
        return QStringLiteral("0.0.0.0 is not a host to forward to");
    if (address == QLatin1StringView("255.255.255.255"))
        return QStringLiteral("255.255.255.255 is the broadcast address; forward to one host");
    // 224.0.0.0/4, also mapped into IPv6 (::ffff:239.255.255.250).
    bool ipv4 = false;
    if (const quint32 v4 = QHostAddress(address).toIPv4Address(&ipv4); ipv4 && v4 >> 28 == 0xe)
        return address + QStringLiteral(" is a multicast address; forward to one host");
    if (const QHostAddress a(address); a.protocol() == QAbstractSocket::IPv6Protocol) {
        if (a.isEqual(QHostAddress::AnyIPv6, QHostAddress::StrictConversion))
            return QStringLiteral(":: is not a host to forward to");
        if (a.isMulticast())
            return address + QStringLiteral(" is a multicast address; forward to one host");
    }
    if (port == 0)
        return QStringLiteral("port 0 is not a port to forward to");
    return {};
}

} // namespace quendal
