#include "common/core/SocketAddress.h"

#include "common/core/AddressText.h"

#include <QHostAddress>

#include <arpa/inet.h>
#include <cstring>
#include <net/if.h>

namespace quendal {
namespace {

const sockaddr_in& asIpv4(const sockaddr_storage& s)
{
    return reinterpret_cast<const sockaddr_in&>(s);
}

const sockaddr_in6& asIpv6(const sockaddr_storage& s)
{
    return reinterpret_cast<const sockaddr_in6&>(s);
}

QStringView withoutBrackets(QStringView text)
{
    if (text.size() >= 2 && text.startsWith(QLatin1Char('[')) && text.endsWith(QLatin1Char(']')))
        return text.sliced(1, text.size() - 2);
    return text;
}

// An IPv6 text as Qt reads it: an IPv6 address, or nothing. Blanks, other white space and
// control characters are not part of an address, nor of an interface's name, whatever Qt would
// make of them.
std::optional<QHostAddress> parseIpv6(QStringView text)
{
    if (!text.contains(QLatin1Char(':')) || text.endsWith(QLatin1Char('%')))
        return std::nullopt;
    for (const QChar c : text) {
        if (c.isSpace() || c.category() == QChar::Other_Control)
            return std::nullopt;
    }
    QHostAddress address;
    if (!address.setAddress(text.toString()) || address.protocol() != QAbstractSocket::IPv6Protocol)
        return std::nullopt;
    return address;
}

// The IPv4 address that an IPv6 one carries mapped (::ffff:a.b.c.d), in host order.
std::optional<quint32> mappedIpv4(const QHostAddress& address)
{
    const Q_IPV6ADDR bytes = address.toIPv6Address();
    static constexpr quint8 kPrefix[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};
    if (std::memcmp(bytes.c, kPrefix, sizeof kPrefix) != 0)
        return std::nullopt;
    return quint32(bytes[12]) << 24 | quint32(bytes[13]) << 16 | quint32(bytes[14]) << 8 |
           quint32(bytes[15]);
}

} // namespace

SocketAddress::SocketAddress(const sockaddr_in& ipv4)
{
    std::memcpy(&storage_, &ipv4, sizeof ipv4);
}

SocketAddress SocketAddress::ipv4(quint32 networkOrderAddress, quint16 port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = networkOrderAddress;
    return SocketAddress(a);
}

SocketAddress SocketAddress::any(int family, quint16 port)
{
    if (family != AF_INET6)
        return ipv4(INADDR_ANY, port);
    SocketAddress s;
    auto& a = reinterpret_cast<sockaddr_in6&>(s.storage_);
    a.sin6_family = AF_INET6;
    a.sin6_port = htons(port);
    a.sin6_addr = in6addr_any;
    return s;
}

std::optional<SocketAddress> SocketAddress::fromText(QStringView text, quint16 port, QString* error)
{
    const auto fail = [&](const QString& reason) -> std::optional<SocketAddress> {
        if (error)
            *error = reason;
        return std::nullopt;
    };
    const QStringView host = withoutBrackets(text);
    if (const auto dotted = parseIpv4Address(host)) {
        in_addr a{};
        ::inet_pton(AF_INET, dotted->toLatin1().constData(), &a);
        return ipv4(a.s_addr, port);
    }
    const std::optional<QHostAddress> address = parseIpv6(host);
    if (!address)
        return fail(QStringLiteral("not an IPv4 or IPv6 address: %1").arg(text));
    if (const auto mapped = mappedIpv4(*address))
        return ipv4(htonl(*mapped), port);

    SocketAddress s;
    auto& a = reinterpret_cast<sockaddr_in6&>(s.storage_);
    a.sin6_family = AF_INET6;
    a.sin6_port = htons(port);
    const Q_IPV6ADDR bytes = address->toIPv6Address();
    std::memcpy(a.sin6_addr.s6_addr, bytes.c, sizeof bytes.c);
    if (const QString scope = address->scopeId(); !scope.isEmpty()) {
        bool numeric = false;
        a.sin6_scope_id = scope.toUInt(&numeric);
        if (!numeric)
            a.sin6_scope_id = ::if_nametoindex(scope.toLocal8Bit().constData());
        if (a.sin6_scope_id == 0)
            return fail(QStringLiteral("no network interface %1 for %2").arg(scope, text));
    }
    return s;
}

quint16 SocketAddress::port() const
{
    switch (family()) {
    case AF_INET:
        return ntohs(asIpv4(storage_).sin_port);
    case AF_INET6:
        return ntohs(asIpv6(storage_).sin6_port);
    default:
        return 0;
    }
}

socklen_t SocketAddress::length() const
{
    return family() == AF_INET6 ? socklen_t(sizeof(sockaddr_in6)) : socklen_t(sizeof(sockaddr_in));
}

std::optional<quint32> SocketAddress::ipv4Address() const
{
    if (family() == AF_INET)
        return asIpv4(storage_).sin_addr.s_addr;
    if (family() == AF_INET6 && IN6_IS_ADDR_V4MAPPED(&asIpv6(storage_).sin6_addr)) {
        quint32 a;
        std::memcpy(&a, asIpv6(storage_).sin6_addr.s6_addr + 12, sizeof a);
        return a;
    }
    return std::nullopt;
}

bool SocketAddress::isLoopback() const
{
    if (const auto v4 = ipv4Address())
        return (ntohl(*v4) >> 24) == 127;
    return family() == AF_INET6 && IN6_IS_ADDR_LOOPBACK(&asIpv6(storage_).sin6_addr);
}

bool SocketAddress::sameHost(const SocketAddress& other) const
{
    if (family() == AF_INET6 && other.family() == AF_INET6) {
        const sockaddr_in6& a = asIpv6(storage_);
        const sockaddr_in6& b = asIpv6(other.storage_);
        return std::memcmp(&a.sin6_addr, &b.sin6_addr, sizeof a.sin6_addr) == 0 &&
               a.sin6_scope_id == b.sin6_scope_id;
    }
    const auto a = ipv4Address();
    return a && a == other.ipv4Address();
}

QString SocketAddress::hostText() const
{
    if (const auto v4 = ipv4Address()) {
        char text[INET_ADDRSTRLEN];
        in_addr a{};
        a.s_addr = *v4;
        ::inet_ntop(AF_INET, &a, text, sizeof text);
        return QString::fromLatin1(text);
    }
    if (family() != AF_INET6)
        return {};
    const sockaddr_in6& a = asIpv6(storage_);
    QHostAddress address(a.sin6_addr.s6_addr);
    if (a.sin6_scope_id != 0) {
        char name[IF_NAMESIZE];
        address.setScopeId(::if_indextoname(a.sin6_scope_id, name)
                               ? QString::fromLocal8Bit(name)
                               : QString::number(a.sin6_scope_id));
    }
    return address.toString();
}

std::optional<QString> normalizedHostAddress(QStringView text)
{
    const QStringView host = withoutBrackets(text);
    if (auto dotted = parseIpv4Address(host))
        return dotted;
    const std::optional<QHostAddress> address = parseIpv6(host);
    if (!address)
        return std::nullopt;
    if (const auto mapped = mappedIpv4(*address))
        return QHostAddress(*mapped).toString();
    return address->toString();
}

QString addressWithPort(const QString& address, quint16 port)
{
    // Concatenated: a scope or a text typed by a user may hold "%1" itself.
    const QString portText = QLatin1Char(':') + QString::number(port);
    if (address.contains(QLatin1Char(':')))
        return QLatin1Char('[') + address + QLatin1Char(']') + portText;
    return address + portText;
}

} // namespace quendal
