#pragma once

#include "common/core/UdpSocket.h"

#include <QString>

#include <functional>

namespace quendal {

// The send-only socket that forwards ("Replay") every accepted datagram, unchanged, to a second
// syslog host.
class CReplaySocket
{
public:
    // Opens a socket of the address's family on any free port and aims it at address:port.
    // false when the address is not an IPv4 or IPv6 address, or no socket of its family can be
    // created (IPv6 on a system without it); nothing is forwarded then.
    bool Create(const QString& address, quint16 port, QString* error = nullptr);
    void Close();
    bool isOpen() const { return socket_.isOpen(); }

    // The local port datagrams leave from, so the receiver can recognise its own forwards.
    quint16 localPort() const { return localPort_; }

    // Sends the bytes as one datagram; false when the system refused the send.
    bool forward(const char* data, size_t size);

    // Told once when sends start failing (with the reason) and once, with an empty text, when
    // they work again. The state outlives Close, so a new target clears an old failure report.
    void setFailureReport(std::function<void(const QString& reason)> report);
    bool isFailing() const { return failing_; }

private:
    UdpSocket socket_;
    SocketAddress target_;
    quint16 localPort_ = 0;
    bool failing_ = false;
    std::function<void(const QString&)> report_;
};

} // namespace quendal
