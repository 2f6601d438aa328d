#include "common/core/AddressPrefix.h"

#include <QtEndian>

#include <algorithm>
#include <array>
#include <cstring>
#include <netinet/in.h>

namespace quendal {

namespace {

// An address as 16 bytes, IPv4 mapped into IPv6 (::ffff:a.b.c.d), so both families compare alike.
using Bytes = std::array<quint8, 16>;

Bytes mappedBytes(quint32 hostOrderIpv4)
{
    Bytes b{};
    b[10] = b[11] = 0xff;
    qToBigEndian(hostOrderIpv4, b.data() + 12);
    return b;
}

Bytes bytesOf(const SocketAddress& host)
{
    if (const std::optional<quint32> v4 = host.ipv4Address())
        return mappedBytes(qFromBigEndian(*v4));
    Bytes b{};
    if (host.family() == AF_INET6)
        std::memcpy(b.data(), &reinterpret_cast<const sockaddr_in6*>(host.get())->sin6_addr, 16);
    return b;
}

bool samePrefix(const Bytes& a, const Bytes& b, int bits)
{
    const int whole = bits / 8;
    if (std::memcmp(a.data(), b.data(), size_t(whole)) != 0)
        return false;
    const int rest = bits % 8;
    if (rest == 0)
        return true;
    const quint8 mask = quint8(0xff00 >> rest);
    return (a[size_t(whole)] & mask) == (b[size_t(whole)] & mask);
}

} // namespace

// Byte by byte, without a QHostAddress per call: this runs for every datagram.
bool AddressPrefix::contains(const SocketAddress& host) const
{
    if (host.family() != AF_INET && host.family() != AF_INET6)
        return false;
    Bytes net{};
    int bits = length;
    if (network.protocol() == QAbstractSocket::IPv4Protocol) {
        net = mappedBytes(network.toIPv4Address());
        bits += 96;
    } else if (network.protocol() == QAbstractSocket::IPv6Protocol) {
        const Q_IPV6ADDR v6 = network.toIPv6Address();
        std::memcpy(net.data(), v6.c, 16);
    } else {
        return false;
    }
    return samePrefix(bytesOf(host), net, std::clamp(bits, 0, 128));
}

QString AddressPrefix::text() const
{
    return network.toString() + u'/' + QString::number(length);
}

std::optional<std::vector<AddressPrefix>> parseAddressPrefixes(QStringView text, QString* error)
{
    std::vector<AddressPrefix> prefixes;
    for (QStringView part : text.split(u',')) {
        part = part.trimmed();
        if (part.isEmpty())
            continue;
        const qsizetype slash = part.indexOf(u'/');
        const QString addressText = part.left(slash < 0 ? part.size() : slash).toString();
        QHostAddress network;
        // Scopes and other decorations make no network: only the plain address forms.
        if (addressText.contains(u'%') || !network.setAddress(addressText)) {
            if (error)
                *error = QStringLiteral("not an address or network: ") + part.toString();
            return std::nullopt;
        }
        const int maxLength = network.protocol() == QAbstractSocket::IPv4Protocol ? 32 : 128;
        int length = maxLength;
        if (slash >= 0) {
            bool ok = false;
            const QStringView lengthText = part.mid(slash + 1);
            length = lengthText.toInt(&ok);
            if (!ok || lengthText.isEmpty() || !lengthText.front().isDigit() || length < 0 ||
                length > maxLength) {
                if (error)
                    *error = QStringLiteral("not a prefix length from 0 to %1: ").arg(maxLength) +
                             part.toString();
                return std::nullopt;
            }
        }
        // The network itself, whatever host bits were typed.
        const QPair<QHostAddress, int> subnet =
            QHostAddress::parseSubnet(network.toString() + u'/' + QString::number(length));
        prefixes.push_back({subnet.first, length});
    }
    return prefixes;
}

bool allowedBy(const std::vector<AddressPrefix>& prefixes, const SocketAddress& host)
{
    if (prefixes.empty())
        return true;
    for (const AddressPrefix& prefix : prefixes)
        if (prefix.contains(host))
            return true;
    return false;
}

} // namespace quendal
