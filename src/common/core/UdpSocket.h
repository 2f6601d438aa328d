#pragma once

#include "common/core/SocketAddress.h"

#include <QString>
#include <QtGlobal>

#include <netinet/in.h>
#include <optional>

namespace quendal {

// A non-blocking UDP socket of either family on a plain descriptor: one system call per datagram
// read, and the receive buffer can be enlarged beyond what a Qt socket asks for.
class UdpSocket
{
public:
    UdpSocket() = default;
    ~UdpSocket();
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;

    // Creates an IPv4 socket and binds it to `port` (0: any free port) on `address` (network
    // order; INADDR_ANY for all interfaces). On failure the reason goes to `error`.
    bool open(quint16 port, quint32 address = INADDR_ANY, QString* error = nullptr);
    // Creates a socket of the address's family bound to it; an IPv6 one takes IPv6 alone.
    bool open(const SocketAddress& local, QString* error = nullptr);
    // Binds `port` on every interface of both families: IPv6 with IPv4 senders mapped into it,
    // or IPv4 alone where the system has no IPv6. On failure the reason goes to `error`.
    bool openEveryInterface(quint16 port, QString* error = nullptr);
    // Takes over a datagram socket bound elsewhere (handed over by the service manager): made
    // non-blocking, closed with this object. false, with the reason in `error`, when `fd` is not
    // a bound IPv4 or IPv6 datagram socket; it is then left alone.
    bool adopt(int fd, QString* error = nullptr);
    int family() const { return family_; }
    void close();
    bool isOpen() const { return fd_ >= 0; }
    int descriptor() const { return fd_; }
    quint16 localPort() const;

    // Asks for a receive buffer of `bytes`; returns the size the kernel granted.
    int requestReceiveBuffer(int bytes);
    // Has the kernel attach its count of datagrams dropped for want of buffer space to each
    // datagram read (see DatagramReader).
    bool enableDropCounter();
    // The kernel's count of datagrams dropped on this socket since it was created, as it stands
    // now (it wraps at 2^32); nullopt where the system cannot tell.
    std::optional<quint32> kernelDropCount() const;

    // Reads one datagram of at most `capacity` bytes (a longer one is cut); -1 when none was read.
    qsizetype receive(char* buffer, size_t capacity, SocketAddress* from);
    bool sendTo(const char* data, size_t size, const SocketAddress& to);
    bool sendTo(const char* data, size_t size, const sockaddr_in& to);

private:
    bool openBound(const SocketAddress& local, bool ipv6Only, QString* error);

    int fd_ = -1;
    int family_ = AF_UNSPEC;
};

// The same for any socket descriptor; safe to call from another thread while the socket is open.
std::optional<quint32> kernelDropCount(int descriptor);

// Whether the system lets this process create a UDP socket at all.
bool canCreateUdpSocket();

// Why binding `port` may fail for want of privilege, for a failure message; empty when this
// process needs none for it.
QString bindPrivilegeHint(quint16 port);

// An IPv4 address and port as a socket address; false when `address` is not dotted IPv4.
bool makeSocketAddress(const QString& address, quint16 port, sockaddr_in* out);

// The dotted form of an IPv4 address in network order.
QString dottedAddress(quint32 networkOrderAddress);

// The same for an address in host order (127.0.0.1 is 0x7F000001).
QString dottedHostAddress(quint32 hostOrderAddress);

} // namespace quendal
