#pragma once

#include "support/TestSupport.h"

#include <QHostAddress>
#include <QNetworkDatagram>
#include <QUdpSocket>

#include <gtest/gtest.h>

namespace quendal::test {

// Whether this network namespace has the IPv6 loopback address: binding ::1 tells.
inline bool hasIpv6Loopback()
{
    QUdpSocket probe;
    return probe.bind(QHostAddress::LocalHostIPv6, 0);
}

// Ends a test that needs ::1 as skipped, with the reason, where there is none.
#define QUENDAL_SKIP_WITHOUT_IPV6_LOOPBACK()                                                       \
    do {                                                                                           \
        if (!::quendal::test::hasIpv6Loopback())                                                   \
            GTEST_SKIP() << "no IPv6 loopback address (::1) in this network namespace";            \
    } while (false)

// A UDP socket on ::1 that sends datagrams to [::1]:port and collects what reaches it.
class Ipv6LoopbackPeer
{
public:
    Ipv6LoopbackPeer() { socket_.bind(QHostAddress::LocalHostIPv6, 0); }
    quint16 port() const { return socket_.localPort(); }
    void sendTo(quint16 port, const QByteArray& datagram)
    {
        socket_.writeDatagram(datagram, QHostAddress::LocalHostIPv6, port);
    }
    bool waitForDatagrams(size_t count)
    {
        return waitUntil([&] {
            while (socket_.hasPendingDatagrams())
                received_.push_back(socket_.receiveDatagram().data());
            return received_.size() >= count;
        });
    }
    const std::vector<QByteArray>& received() const { return received_; }

private:
    QUdpSocket socket_;
    std::vector<QByteArray> received_;
};

} // namespace quendal::test
