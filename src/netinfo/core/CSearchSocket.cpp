#include "netinfo/core/CSearchSocket.h"

#include <QNetworkDatagram>

#include <sys/socket.h>

namespace quendal {

CSearchSocket::CSearchSocket(const RouterSearchTarget& target, QObject* parent)
    : QObject(parent), target_(target)
{
    socket_.bind(QHostAddress(QHostAddress::AnyIPv4), 0);
    // Qt allows broadcast on its UDP sockets already; said once more, as the search needs it.
    const int on = 1;
    ::setsockopt(int(socket_.socketDescriptor()), SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    connect(&socket_, &QUdpSocket::readyRead, this, &CSearchSocket::OnReceive);
}

void CSearchSocket::SendRequest()
{
    socket_.writeDatagram(buildSearchRequest(), target_.address, target_.port);
}

void CSearchSocket::OnReceive()
{
    while (socket_.hasPendingDatagrams()) {
        const QNetworkDatagram datagram = socket_.receiveDatagram(kRouterSearchSize);
        if (const auto reply = parseSearchReply(datagram.data()))
            Q_EMIT replyReceived(*reply);
    }
}

} // namespace quendal
