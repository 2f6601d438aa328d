#include "receiver/core/CReplaySocket.h"

#include <cerrno>
#include <cstring>

namespace quendal {

bool CReplaySocket::Create(const QString& address, quint16 port, QString* error)
{
    Close();
    if (!makeSocketAddress(address, port, &target_)) {
        if (error)
            *error = QStringLiteral("not an IPv4 address: ") + address;
        return false;
    }
    if (!socket_.open(0, INADDR_ANY, error))
        return false;
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
