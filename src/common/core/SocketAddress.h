#pragma once

#include <QString>
#include <QStringView>
#include <QtGlobal>

#include <netinet/in.h>
#include <optional>
#include <sys/socket.h>

namespace quendal {

// An IPv4 or IPv6 address with a port, in the form the system's socket calls take and give.
class SocketAddress
{
public:
    // No address (no family) until one is set or received into it.
    SocketAddress() = default;
    explicit SocketAddress(const sockaddr_in& ipv4);

    // An IPv4 address in network order.
    static SocketAddress ipv4(quint32 networkOrderAddress, quint16 port);
    // Every interface of one family: 0.0.0.0 or ::.
    static SocketAddress any(int family, quint16 port);
    // A host address of either family as normalizedHostAddress() accepts it, with its port.
    // nullopt, with the reason in `error`, when it is not one, or when it names a network
    // interface (fe80::1%eth0) that this machine does not have.
    static std::optional<SocketAddress> fromText(QStringView text, quint16 port,
                                                 QString* error = nullptr);

    int family() const { return storage_.ss_family; }
    quint16 port() const;
    const sockaddr* get() const { return reinterpret_cast<const sockaddr*>(&storage_); }
    sockaddr* get() { return reinterpret_cast<sockaddr*>(&storage_); }
    // The size of the address of its family, for the calls that take one.
    socklen_t length() const;
    // Room for an address of any family, for the calls that fill one.
    static constexpr socklen_t capacity() { return sizeof(sockaddr_storage); }

    // The IPv4 address in network order, also when it came mapped into IPv6 (::ffff:a.b.c.d),
    // as every IPv4 sender does on a socket that takes both families.
    std::optional<quint32> ipv4Address() const;
    bool isLoopback() const;
    // Whether both are the same host, ports aside; an IPv4 address and its mapped form are.
    bool sameHost(const SocketAddress& other) const;

    // The host as senders are shown: dotted IPv4 (for a mapped address too), else the
    // compressed IPv6 form, with "%interface" when the address has a scope.
    QString hostText() const;

private:
    sockaddr_storage storage_{};
};

// The text of a host address as the receiver shows its senders (see hostText()), from
// "192.168.1.1" (four decimal parts, leading zeros allowed), "::1", "[::1]" or "fe80::1%eth0";
// nullopt for anything else.
std::optional<QString> normalizedHostAddress(QStringView text);

// "192.168.1.1:514", or "[::1]:514" for an IPv6 address.
QString addressWithPort(const QString& address, quint16 port);

} // namespace quendal
