#include "netinfo/core/RouteTable.h"

#include "common/core/UdpSocket.h"
#include "netinfo/core/ProcNetParser.h"

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
        // Addresses and the mask are printed as the socket tables print addresses ("%08X"), the
        // flags as "%04X".
        const auto destination = procNetAddress(fields[1].toLatin1());
        const auto gateway = procNetAddress(fields[2].toLatin1());
        const auto flags = procNetHex(fields[3].toLatin1(), 4);
        const auto mask = procNetAddress(fields[7].toLatin1());
        if (!destination || !gateway || !flags || !mask)
            continue;
        if (*destination != 0 || *mask != 0 || !(*flags & kRouteGateway))
            continue;
        if (!gateways.contains(fields[0]))
            gateways.insert(fields[0], dottedHostAddress(*gateway));
    }
    return gateways;
}

} // namespace quendal
