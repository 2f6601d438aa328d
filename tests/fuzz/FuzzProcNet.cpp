// The /proc/net/tcp and udp tables and /proc/net/route: any text. A table is read whole or not
// at all, every field exactly as the kernel prints it.
#include "FuzzSupport.h"
#include "app/core/Settings.h"
#include "netinfo/core/ProcNetParser.h"
#include "netinfo/core/RouteTable.h"

#include <QList>

namespace {

bool isHexField(QByteArrayView field, qsizetype digits)
{
    if (field.size() != digits)
        return false;
    for (const char c : field) {
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace quendal;
    const QByteArrayView text(reinterpret_cast<const char*>(data), qsizetype(size));

    const auto tcp = parseProcNet<TcpRow>(text);
    const auto udp = parseProcNet<UdpRow>(text);
    // Both tables share their line format: both read or neither.
    FUZZ_CHECK(tcp.has_value() == udp.has_value());
    if (tcp) {
        FUZZ_CHECK(tcp->size() == udp->size());
        const QList<QByteArray> lines = text.toByteArray().split('\n');
        size_t row = 0;
        for (qsizetype i = 1; i < lines.size(); ++i) {
            if (lines[i].trimmed().isEmpty())
                continue;
            const QList<QByteArray> fields = lines[i].simplified().split(' ');
            FUZZ_CHECK(fields.size() >= 4 && fields[0].endsWith(':'));
            FUZZ_CHECK(isHexField(fields[3], 2));
            const QByteArray local = fields[1];
            FUZZ_CHECK(local.size() == 13 && local[8] == ':');
            FUZZ_CHECK(isHexField(QByteArrayView(local).first(8), 8) &&
                       isHexField(QByteArrayView(local).sliced(9), 4));
            // Printed again as the kernel prints it, the row reads the same.
            FUZZ_CHECK(row < tcp->size());
            const UdpRow& u = (*udp)[row];
            const TcpRow& t = (*tcp)[row];
            FUZZ_CHECK(u.localAddress == t.localAddress && u.localPort == t.localPort);
            FUZZ_CHECK(procNetAddress(local.first(8).toUpper()) == u.localAddress);
            FUZZ_CHECK(procNetHex(local.sliced(9), 4) == u.localPort);
            ++row;
        }
        FUZZ_CHECK(row == tcp->size());
    }

    // The hex fields on their own.
    for (qsizetype digits : {2, 4, 8}) {
        const QByteArrayView field = text.first(std::min<qsizetype>(digits, text.size()));
        const auto value = procNetHex(field, digits);
        FUZZ_CHECK(value.has_value() == isHexField(field, digits));
        if (value)
            FUZZ_CHECK(*value == field.toByteArray().toUInt(nullptr, 16));
    }

    // The route table: every gateway is a dotted address of an interface named in the text.
    const QString route = QString::fromLatin1(text);
    const QHash<QString, QString> gateways = parseDefaultGateways(route);
    for (auto it = gateways.cbegin(); it != gateways.cend(); ++it) {
        FUZZ_CHECK(parseIpv4Address(it.value()) == it.value());
        FUZZ_CHECK(route.contains(it.key()));
    }
    return 0;
}
