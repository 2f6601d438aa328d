#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QNetworkDatagram>
#include <QThread>

namespace quendal {
void PrintTo(const LogEntry& e, std::ostream* os)
{
    *os << '{' << e.time.toStdString() << " | " << e.host.toStdString() << " | "
        << e.message.toStdString() << " | colour " << e.colour << '}';
}
} // namespace quendal

namespace quendal::test {

bool waitUntil(const std::function<bool()>& predicate, std::chrono::milliseconds timeout)
{
    QDeadlineTimer deadline(timeout);
    while (!predicate()) {
        if (deadline.hasExpired())
            return predicate();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

void settle(std::chrono::milliseconds time)
{
    QDeadlineTimer deadline(time);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
}

quint16 freeUdpPort()
{
    QUdpSocket probe;
    if (!probe.bind(QHostAddress::LocalHost, 0))
        return 0;
    return probe.localPort();
}

LoopbackPeer::LoopbackPeer(const QHostAddress& address)
{
    socket_.bind(address, 0);
}

quint16 LoopbackPeer::port() const
{
    return socket_.localPort();
}

void LoopbackPeer::sendTo(quint16 port, const QByteArray& datagram)
{
    socket_.writeDatagram(datagram, QHostAddress::LocalHost, port);
}

void LoopbackPeer::drain()
{
    while (socket_.hasPendingDatagrams())
        received_.push_back(socket_.receiveDatagram().data());
}

const std::vector<QByteArray>& LoopbackPeer::received()
{
    drain();
    return received_;
}

bool LoopbackPeer::waitForDatagrams(size_t count, std::chrono::milliseconds timeout)
{
    return waitUntil(
        [&] {
            drain();
            return received_.size() >= count;
        },
        timeout);
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

bool LoopbackSockets::open()
{
    const QHostAddress loopback(QHostAddress::LocalHost);
    if (!server.listen(loopback))
        return false;
    client.connectToHost(loopback, server.serverPort());
    return client.waitForConnected(5000) && udp.bind(loopback, 0);
}

} // namespace quendal::test
