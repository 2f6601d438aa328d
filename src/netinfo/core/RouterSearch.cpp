#include "netinfo/core/RouterSearch.h"

#include "common/core/AddressText.h"
#include "common/core/UdpSocket.h"

#include <QtEndian>

namespace quendal {
namespace {

constexpr int kAddressOffset = 4, kMaskOffset = 8, kMacOffset = 12, kMacSize = 6;

QString dottedAt(const QByteArray& bytes, int offset)
{
    return dottedHostAddress(qFromBigEndian<quint32>(bytes.constData() + offset));
}

// Requests and replies alike: 54 bytes, the signature, the length, and zeros.
QByteArray emptySearchDatagram()
{
    QByteArray datagram(kRouterSearchSize, '\0');
    datagram[0] = char(kRouterSearchSignature[0]);
    datagram[1] = char(kRouterSearchSignature[1]);
    qToBigEndian<quint16>(kRouterSearchSize, datagram.data() + 2);
    return datagram;
}

bool putDotted(QByteArray& bytes, int offset, const QString& dotted)
{
    const std::optional<QString> plain = parseIpv4Address(dotted);
    if (!plain)
        return false;
    qToBigEndian<quint32>(QHostAddress(*plain).toIPv4Address(), bytes.data() + offset);
    return true;
}

} // namespace

QByteArray buildSearchRequest()
{
    QByteArray request = emptySearchDatagram();
    request.replace(4, 7, "QUENDAL");
    return request;
}

bool hasSearchSignature(const QByteArray& datagram)
{
    return datagram.size() >= 2 && quint8(datagram[0]) == kRouterSearchSignature[0] &&
           quint8(datagram[1]) == kRouterSearchSignature[1];
}

std::optional<RouterReply> parseSearchReply(const QByteArray& datagram)
{
    QByteArray bytes = datagram.left(kRouterSearchSize);
    if (!hasSearchSignature(bytes))
        return std::nullopt;
    bytes.append(QByteArray(kRouterSearchSize - bytes.size(), '\0'));
    RouterReply reply;
    reply.mac = QString::fromLatin1(bytes.mid(kMacOffset, kMacSize).toHex().toUpper());
    reply.ipAddress = dottedAt(bytes, kAddressOffset);
    reply.subnetMask = dottedAt(bytes, kMaskOffset);
    return reply;
}

std::optional<QByteArray> buildSearchReply(const RouterReply& router)
{
    const QByteArray mac = QByteArray::fromHex(router.mac.toLatin1());
    if (router.mac.size() != 2 * kMacSize || mac.size() != kMacSize ||
        mac.toHex().compare(router.mac.toLatin1(), Qt::CaseInsensitive) != 0)
        return std::nullopt;
    QByteArray reply = emptySearchDatagram();
    if (!putDotted(reply, kAddressOffset, router.ipAddress) ||
        !putDotted(reply, kMaskOffset, router.subnetMask))
        return std::nullopt;
    reply.replace(kMacOffset, kMacSize, mac);
    return reply;
}

RouterSearchTarget RouterSearchTarget::limitedBroadcast()
{
    return {QHostAddress(QHostAddress::Broadcast), kRouterSearchPort};
}

RouterSearchTarget RouterSearchTarget::loopbackDiscard()
{
    return {QHostAddress(QHostAddress::LocalHost), 9};
}

std::optional<RouterSearchTarget> parseRouterSearchTarget(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() > 2)
        return std::nullopt;
    // The settings dialog's address rule: QHostAddress alone would read "010" as octal 8.
    const std::optional<QString> address = parseIpv4Address(parts[0]);
    if (!address)
        return std::nullopt;
    RouterSearchTarget target;
    target.address = QHostAddress(*address);
    if (parts.size() == 2) {
        const std::optional<int> port = parsePortText(parts[1]);
        if (!port || *port == 0)
            return std::nullopt;
        target.port = quint16(*port);
    }
    return target;
}

} // namespace quendal
