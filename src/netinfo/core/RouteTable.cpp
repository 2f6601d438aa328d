#include "netinfo/core/RouteTable.h"

#include "netinfo/core/ProcNetParser.h"
#include "receiver/core/UdpSocket.h"

#include <QStringList>

namespace quendal {
namespace {

constexpr uint kRouteGateway = 0x2; // RTF_GATEWAY

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
        bool destinationOk = false, flagsOk = false, maskOk = false;
        const uint destination = fields[1].toUInt(&destinationOk, 16);
        const uint flags = fields[3].toUInt(&flagsOk, 16);
        const uint mask = fields[7].toUInt(&maskOk, 16);
        // The gateway word is printed as the socket tables print addresses.
        const auto gateway = procNetAddress(fields[2].toLatin1());
        if (!destinationOk || !flagsOk || !maskOk || !gateway)
            continue;
        if (destination != 0 || mask != 0 || !(flags & kRouteGateway))
            continue;
        if (!gateways.contains(fields[0]))
            gateways.insert(fields[0], dottedHostAddress(*gateway));
    }
    return gateways;
}

} // namespace quendal
