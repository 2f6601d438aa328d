#include "receiver/core/CReplaySocket.h"

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

void CReplaySocket::Close()
{
    socket_.close();
    localPort_ = 0;
}

} // namespace quendal
