#pragma once

#include "logs/core/LogEntry.h"

#include <QByteArray>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUdpSocket>

#include <chrono>
#include <functional>
#include <ostream>
#include <vector>

namespace quendal {
// Readable entries in test failure messages.
void PrintTo(const LogEntry& entry, std::ostream* os);
} // namespace quendal

// Defined when built with the sanitizers (GCC names it, clang tells by a feature).
#if defined(__SANITIZE_ADDRESS__)
#define QUENDAL_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUENDAL_SANITIZED 1
#endif
#endif

namespace quendal::test {

// Runs the event loop until the predicate holds or the timeout passes; returns the predicate.
bool waitUntil(const std::function<bool()>& predicate,
               std::chrono::milliseconds timeout = std::chrono::seconds(5));

// Handles every event posted so far (queued calls, deferred deletes, timers of zero), for checks
// that something does not happen where the opposite would come as such an event.
void processPostedEvents();

// Runs the event loop for a fixed while, for checks that something does not happen where no
// event can tell; each use is on the allow list of scripts/check-test-waits.sh.
void settle(std::chrono::milliseconds time = std::chrono::milliseconds(150));

// Sends `signal` to process `pid`; a pid of 0 or less (a process that ended or never started)
// is refused with a test failure, as kill() would signal the whole process group: the test runner.
bool sendSignal(qint64 pid, int signal);

// Waits until process `pid` has taken `signal` (it is no longer pending there); false when it
// is still pending after the timeout or the process is gone.
bool waitForSignalTaken(qint64 pid, int signal,
                        std::chrono::milliseconds timeout = std::chrono::seconds(5));

// A UDP port on 127.0.0.1 that is free and stays reserved for this process until it ends: no
// other test process is handed the same port, even when many run at once. 0 when none is left.
quint16 freeUdpPort();

// Makes every complaint of a QAbstractItemModelTester (category "qt.modeltest") fail the running
// test. Testers in Warning mode report through it; those in the default QtTest mode report to
// QtTest, which GoogleTest never hears, so tests create theirs in Warning or Fatal mode. The test
// mains call this once.
void failTestsOnModelTesterComplaints();

// A UDP socket on a loopback address (127.0.0.1 unless given; any 127.x.y.z works) that sends
// datagrams to 127.0.0.1 and collects what reaches it.
class LoopbackPeer
{
public:
    explicit LoopbackPeer(const QHostAddress& address = QHostAddress(QHostAddress::LocalHost));
    quint16 port() const;
    void sendTo(quint16 port, const QByteArray& datagram);
    // Datagrams received so far, in arrival order.
    const std::vector<QByteArray>& received();
    bool waitForDatagrams(size_t count,
                          std::chrono::milliseconds timeout = std::chrono::seconds(5));

private:
    void drain();
    QUdpSocket socket_;
    std::vector<QByteArray> received_;
};

// Sockets of this process that the machine's tables must show: a TCP listener on 127.0.0.1, a
// client connected to it, and a bound UDP socket.
struct LoopbackSockets
{
    QTcpServer server;
    QTcpSocket client;
    QUdpSocket udp;
    // Listens, connects and binds; false when any of them fails.
    bool open();
};

// Contents of a file, or an empty array when it cannot be read.
QByteArray readFile(const QString& path);

} // namespace quendal::test
