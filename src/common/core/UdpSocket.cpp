#include "common/core/UdpSocket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/sock_diag.h>
#include <sys/socket.h>
#include <unistd.h>

namespace quendal {

UdpSocket::~UdpSocket()
{
    close();
}

bool UdpSocket::open(quint16 port, quint32 address, QString* error)
{
    return open(SocketAddress::ipv4(address, port), error);
}

bool UdpSocket::open(const SocketAddress& local, QString* error)
{
    return openBound(local, true, error);
}

bool UdpSocket::openEveryInterface(quint16 port, QString* error)
{
    if (openBound(SocketAddress::any(AF_INET6, port), false, error))
        return true;
    // Only a system without IPv6 falls back; a port in use stays a failure.
    if (errno != EAFNOSUPPORT && errno != EADDRNOTAVAIL)
        return false;
    return openBound(SocketAddress::any(AF_INET, port), false, error);
}

bool UdpSocket::openBound(const SocketAddress& local, bool ipv6Only, QString* error)
{
    close();
    const auto fail = [&](const char* what) {
        const int e = errno;
        if (error)
            *error = QString::fromLatin1(what) + QStringLiteral(": ") +
                     QString::fromLocal8Bit(std::strerror(e));
        close();
        errno = e;
        return false;
    };

    fd_ = ::socket(local.family(), SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd_ < 0)
        return fail("cannot create a UDP socket");
    family_ = local.family();
    if (family_ == AF_INET6) {
        // Set either way: the system's default (net.ipv6.bindv6only) may be the other one.
        const int only = ipv6Only ? 1 : 0;
        if (::setsockopt(fd_, IPPROTO_IPV6, IPV6_V6ONLY, &only, sizeof only) != 0)
            return fail("cannot set the IPv6 socket option");
    }
    if (::bind(fd_, local.get(), local.length()) != 0)
        return fail("cannot bind");
    return true;
}

bool UdpSocket::adopt(int fd, QString* error)
{
    close();
    int type = 0;
    int domain = 0;
    socklen_t length = sizeof type;
    const bool datagram =
        ::getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &length) == 0 && type == SOCK_DGRAM;
    length = sizeof domain;
    const bool internet = ::getsockopt(fd, SOL_SOCKET, SO_DOMAIN, &domain, &length) == 0 &&
                          (domain == AF_INET || domain == AF_INET6);
    if (!datagram || !internet) {
        if (error)
            *error = QStringLiteral("descriptor %1 is not an IPv4 or IPv6 datagram socket").arg(fd);
        return false;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0 ||
        ::fcntl(fd, F_SETFD, FD_CLOEXEC) != 0) {
        if (error)
            *error = QStringLiteral("cannot use descriptor %1: %2")
                         .arg(QString::number(fd), QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    fd_ = fd;
    family_ = domain;
    return true;
}

void UdpSocket::close()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    family_ = AF_UNSPEC;
}

quint16 UdpSocket::localPort() const
{
    SocketAddress local;
    socklen_t length = SocketAddress::capacity();
    if (fd_ < 0 || ::getsockname(fd_, local.get(), &length) != 0)
        return 0;
    return local.port();
}

int UdpSocket::requestReceiveBuffer(int bytes)
{
    if (fd_ < 0)
        return 0;
    // A privileged process may go beyond the system's limit; others get what the limit allows.
    if (::setsockopt(fd_, SOL_SOCKET, SO_RCVBUFFORCE, &bytes, sizeof bytes) != 0)
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
    int granted = 0;
    socklen_t length = sizeof granted;
    ::getsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &granted, &length);
    return granted;
}

bool UdpSocket::enableDropCounter()
{
    const int on = 1;
    return fd_ >= 0 && ::setsockopt(fd_, SOL_SOCKET, SO_RXQ_OVFL, &on, sizeof on) == 0;
}

std::optional<quint32> UdpSocket::kernelDropCount() const
{
    return quendal::kernelDropCount(fd_);
}

std::optional<quint32> kernelDropCount(int descriptor)
{
    if (descriptor < 0)
        return std::nullopt;
    // The socket's memory figures end with its drop count (Linux 4.12 and later).
    quint32 info[SK_MEMINFO_VARS] = {};
    socklen_t length = sizeof info;
    if (::getsockopt(descriptor, SOL_SOCKET, SO_MEMINFO, info, &length) != 0 ||
        length <= socklen_t(SK_MEMINFO_DROPS * sizeof(quint32)))
        return std::nullopt;
    return info[SK_MEMINFO_DROPS];
}

qsizetype UdpSocket::receive(char* buffer, size_t capacity, SocketAddress* from)
{
    socklen_t length = SocketAddress::capacity();
    ssize_t n;
    do {
        n = ::recvfrom(fd_, buffer, capacity, 0, from->get(), &length);
    } while (n < 0 && errno == EINTR);
    return n;
}

bool UdpSocket::sendTo(const char* data, size_t size, const SocketAddress& to)
{
    ssize_t n;
    do {
        n = ::sendto(fd_, data, size, 0, to.get(), to.length());
    } while (n < 0 && errno == EINTR);
    return n == ssize_t(size);
}

bool UdpSocket::sendTo(const char* data, size_t size, const sockaddr_in& to)
{
    return sendTo(data, size, SocketAddress(to));
}

bool makeSocketAddress(const QString& address, quint16 port, sockaddr_in* out)
{
    *out = sockaddr_in{};
    out->sin_family = AF_INET;
    out->sin_port = htons(port);
    return ::inet_pton(AF_INET, address.toLatin1().constData(), &out->sin_addr) == 1;
}

QString dottedAddress(quint32 networkOrderAddress)
{
    char text[INET_ADDRSTRLEN];
    in_addr a{};
    a.s_addr = networkOrderAddress;
    ::inet_ntop(AF_INET, &a, text, sizeof text);
    return QString::fromLatin1(text);
}

QString dottedHostAddress(quint32 hostOrderAddress)
{
    return dottedAddress(htonl(hostOrderAddress));
}

bool canCreateUdpSocket()
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

QString bindPrivilegeHint(quint16 port)
{
    if (port >= 1024 || ::geteuid() == 0)
        return {};
    return QStringLiteral("ports below 1024 need root or the CAP_NET_BIND_SERVICE capability");
}

} // namespace quendal
