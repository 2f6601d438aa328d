#include "receiver/core/UdpSocket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

namespace quendal {

UdpSocket::~UdpSocket()
{
    close();
}

bool UdpSocket::open(quint16 port, quint32 address, QString* error)
{
    close();
    const auto fail = [&](const char* what) {
        const int e = errno;
        if (error)
            *error = QString::fromLatin1(what) + QStringLiteral(": ") +
                     QString::fromLocal8Bit(std::strerror(e));
        close();
        return false;
    };

    fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd_ < 0)
        return fail("cannot create a UDP socket");

    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    local.sin_addr.s_addr = address;
    if (::bind(fd_, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0)
        return fail("cannot bind");
    return true;
}

void UdpSocket::close()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

quint16 UdpSocket::localPort() const
{
    sockaddr_in local{};
    socklen_t length = sizeof local;
    if (fd_ < 0 || ::getsockname(fd_, reinterpret_cast<sockaddr*>(&local), &length) != 0)
        return 0;
    return ntohs(local.sin_port);
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

qsizetype UdpSocket::receive(char* buffer, size_t capacity, sockaddr_in* from)
{
    socklen_t length = sizeof *from;
    ssize_t n;
    do {
        n = ::recvfrom(fd_, buffer, capacity, 0, reinterpret_cast<sockaddr*>(from), &length);
    } while (n < 0 && errno == EINTR);
    return n;
}

bool UdpSocket::sendTo(const char* data, size_t size, const sockaddr_in& to)
{
    ssize_t n;
    do {
        n = ::sendto(fd_, data, size, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    } while (n < 0 && errno == EINTR);
    return n == ssize_t(size);
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
