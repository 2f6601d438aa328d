#include "receiver/core/CReplaySocket.h"

#include <cerrno>
#include <cstring>

namespace quendal {

bool CReplaySocket::Create(const QString& address, quint16 port, QString* error)
{
    Close();
    std::optional<SocketAddress> target = SocketAddress::fromText(address, port, error);
    if (!target)
        return false;
    target_ = *target;
    // A socket of the target's own family: an IPv4 one cannot reach IPv6 hosts.
    if (!socket_.open(SocketAddress::any(target_.family(), 0), error)) {
        if (errno == EAFNOSUPPORT && error)
            *error = QStringLiteral("this system has no IPv6");
        return false;
    }
    localPort_ = socket_.localPort();
    return true;
}

bool CReplaySocket::forward(const char* data, size_t size)
{
    const bool sent = socket_.sendTo(data, size, target_);
    if (sent != failing_)
        return sent;
    failing_ = !sent;
    if (report_)
        report_(sent ? QString() : QString::fromLocal8Bit(std::strerror(errno)));
    return sent;
}

void CReplaySocket::setFailureReport(std::function<void(const QString& reason)> report)
{
    report_ = std::move(report);
}

void CReplaySocket::Close()
{
    socket_.close();
    localPort_ = 0;
}

} // namespace quendal
