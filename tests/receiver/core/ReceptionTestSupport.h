#pragma once

#include "common/core/UdpSocket.h"
#include "receiver/core/CSysLogSocket.h"
#include "receiver/core/ReceptionEngine.h"

#include <QByteArray>
#include <QSemaphore>

#include <atomic>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

namespace quendal::test {

// An observer that holds the receiver thread inside the first entry stored after arm(), until
// released, so that a test can queue datagrams or change settings while the thread is busy.
class ReceiverGate : public IntakeSink
{
public:
    void arm() { armed_ = true; }
    // Whether the thread is held, within five seconds.
    bool waitHeld() { return entered_.tryAcquire(1, 5000); }
    void release() { released_.release(); }
    // Lets every later entry through, now and for good.
    void open()
    {
        armed_ = false;
        released_.release(1000);
    }

    void entryStored(LogCategory, const LogEntryView&) override
    {
        if (!armed_.exchange(false))
            return;
        entered_.release();
        released_.acquire();
    }

private:
    std::atomic<bool> armed_{false};
    QSemaphore entered_;
    QSemaphore released_;
};

// Sends datagrams to 127.0.0.1:port one after the other, as fast as the system takes them.
inline void sendAll(quint16 port, const std::vector<QByteArray>& datagrams)
{
    UdpSocket sender;
    sender.open(0, htonl(INADDR_LOOPBACK));
    sockaddr_in to{};
    makeSocketAddress(QStringLiteral("127.0.0.1"), port, &to);
    for (const QByteArray& d : datagrams)
        sender.sendTo(d.constData(), size_t(d.size()), to);
}

// A FireWall datagram whose message is its number.
inline QByteArray numbered(int i, int facility = 16)
{
    return "<" + QByteArray::number(facility * 8 + 6) +
           ">Mar 14 09:26:53 gw: " + QByteArray::number(i);
}

// Starts `engine` with `settings` as `adjust` changes them; the port it receives on, or a failure
// with the reason.
inline ::testing::AssertionResult startEngine(ReceptionEngine& engine, ReceptionSettings settings,
                                              const std::function<void(ReceptionSettings&)>& adjust,
                                              quint16& port)
{
    if (adjust)
        adjust(settings);
    QString error;
    if (!engine.start(settings, &error))
        return ::testing::AssertionFailure() << error.toStdString();
    port = engine.localPort();
    return ::testing::AssertionSuccess();
}

} // namespace quendal::test
