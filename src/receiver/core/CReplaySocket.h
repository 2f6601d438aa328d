#pragma once

#include "receiver/core/UdpSocket.h"

#include <QString>

#include <functional>

namespace quendal {

// The send-only socket that forwards ("Replay") every accepted datagram, unchanged, to a second
// syslog host.
class CReplaySocket
{
public:
    // Opens the socket on any free port and aims it at address:port. false when the address is
    // not dotted IPv4 or the socket cannot be created; nothing is forwarded then.
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
    sockaddr_in target_{};
    quint16 localPort_ = 0;
    bool failing_ = false;
    std::function<void(const QString&)> report_;
};

} // namespace quendal
