#pragma once

#include "netinfo/core/RouterSearch.h"

#include <QObject>
#include <QUdpSocket>

namespace quendal {

// The router search's datagram socket: bound to a system-chosen port on every interface, it
// sends the request to its target and reports each reply with the right signature. Replies are
// taken whenever they come, also after a later search.
class CSearchSocket : public QObject
{
    Q_OBJECT
public:
    explicit CSearchSocket(const RouterSearchTarget& target, QObject* parent = nullptr);

    // Sends one request; a failed send is not reported (there is nothing the user could do).
    void SendRequest();
    quint16 localPort() const { return socket_.localPort(); }

Q_SIGNALS:
    void replyReceived(const quendal::RouterReply& reply);

private:
    void OnReceive();

    RouterSearchTarget target_;
    QUdpSocket socket_;
};

} // namespace quendal
