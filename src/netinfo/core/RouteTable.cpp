#include "netinfo/core/RouteTable.h"

#include <QHostAddress>
#include <QStringList>
#include <QtEndian>

#include <cstring>

namespace quendal {
namespace {

constexpr uint kRouteGateway = 0x2; // RTF_GATEWAY

// The hex word holds the address's network-order bytes as the machine stores them.
QString dottedFromKernelHex(const QString& hex, bool* ok)
{
    const quint32 word = hex.toUInt(ok, 16);
    unsigned char bytes[4];
    std::memcpy(bytes, &word, sizeof bytes);
    return QStringLiteral("%1.%2.%3.%4").arg(bytes[0]).arg(bytes[1]).arg(bytes[2]).arg(bytes[3]);
}

} // namespace

QHash<QString, QString> parseDefaultGateways(const QString& procNetRoute)
{
    QHash<QString, QString> gateways;
    const QStringList lines = procNetRoute.split(QLatin1Char('\n'));
    // Line 0 is the heading: Iface Destination Gateway Flags RefCnt Use Metric Mask ...
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QStringList fields = lines[i].simplified().split(QLatin1Char(' '));
        if (fields.size() < 8)
            continue;
        bool destinationOk = false, flagsOk = false, maskOk = false, gatewayOk = false;
        const uint destination = fields[1].toUInt(&destinationOk, 16);
        const uint flags = fields[3].toUInt(&flagsOk, 16);
        const uint mask = fields[7].toUInt(&maskOk, 16);
        const QString gateway = dottedFromKernelHex(fields[2], &gatewayOk);
        if (!destinationOk || !flagsOk || !maskOk || !gatewayOk)
            continue;
        if (destination != 0 || mask != 0 || !(flags & kRouteGateway))
            continue;
        if (!gateways.contains(fields[0]))
            gateways.insert(fields[0], gateway);
    }
    return gateways;
}

} // namespace quendal
