#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QNetworkDatagram>
#include <QThread>

#include <algorithm>
#include <arpa/inet.h>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <mutex>
#include <netinet/in.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <unistd.h>

namespace quendal {
void PrintTo(const LogEntry& e, std::ostream* os)
{
    *os << '{' << e.time.toStdString() << " | " << e.host.toStdString() << " | "
        << e.message.toStdString() << " | severity " << int(e.severity) << " | sender "
        << e.sender.toStdString() << '}';
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

void processPostedEvents()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

void settle(std::chrono::milliseconds time)
{
    QDeadlineTimer deadline(time);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
}

bool sendSignal(qint64 pid, int signal)
{
    if (pid <= 0) {
        ADD_FAILURE() << "no process to send signal " << signal << " to";
        return false;
    }
    return ::kill(pid_t(pid), signal) == 0;
}

bool waitForSignalTaken(qint64 pid, int signal, std::chrono::milliseconds timeout)
{
    const QString path = QStringLiteral("/proc/%1/status").arg(pid);
    const quint64 bit = quint64(1) << (signal - 1);
    return waitUntil(
        [&] {
            const QByteArray status = readFile(path);
            if (status.isEmpty())
                return false;
            for (const QByteArray& line : status.split('\n')) {
                if ((line.startsWith("SigPnd:") || line.startsWith("ShdPnd:")) &&
                    (line.mid(7).trimmed().toULongLong(nullptr, 16) & bit) != 0)
                    return false;
            }
            return true;
        },
        timeout);
}

namespace {

// The ports handed out lie below the kernel's ephemeral range, where no bind to port 0 (a peer
// socket, a client) can land, so only explicit binds compete for them.
std::pair<int, int> reservablePorts()
{
    constexpr int kLowest = 20000;
    int ephemeralLow = 32768;
    int ephemeralHigh = 60999;
    QFile range(QStringLiteral("/proc/sys/net/ipv4/ip_local_port_range"));
    if (range.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> parts = range.readAll().simplified().split(' ');
        if (parts.size() == 2) {
            ephemeralLow = parts[0].toInt();
            ephemeralHigh = parts[1].toInt();
        }
    }
    if (ephemeralLow - kLowest >= 1000)
        return {kLowest, ephemeralLow};
    return {std::max(ephemeralHigh + 1, 1024), 65536};
}

bool udpPortBindable(quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return bound;
}

QtMessageHandler previousMessageHandler = nullptr;

void failOnModelTesterMessage(QtMsgType type, const QMessageLogContext& context,
                              const QString& message)
{
    if (type != QtDebugMsg && type != QtInfoMsg && context.category &&
        std::strcmp(context.category, "qt.modeltest") == 0)
        ADD_FAILURE() << "QAbstractItemModelTester: " << message.toStdString();
    if (previousMessageHandler)
        previousMessageHandler(type, context, message);
}

} // namespace

// Each port is reserved by an flock on a file of its own in a folder shared by the user's test
// processes; the lock is held until this process ends and the kernel drops it however the
// process ends, so a crashed test never blocks a port. The probing bind is closed before the
// caller binds, but no other test process can be handed the port in between.
quint16 freeUdpPort()
{
    static std::mutex mutex;
    static int next = -1;
    const std::scoped_lock lock(mutex);

    const auto [low, high] = reservablePorts();
    const int span = high - low;
    // Processes start their search at different places, so they seldom even meet.
    if (next < 0)
        next = int((quint64(::getpid()) * 7919u) % quint64(span));
    const QString folder =
        QDir::temp().filePath(QStringLiteral("quendal-test-ports-%1").arg(::getuid()));
    QDir().mkpath(folder);

    for (int attempt = 0; attempt < span; ++attempt) {
        const quint16 port = quint16(low + next);
        next = (next + 1) % span;
        const QByteArray lockPath = QDir(folder).filePath(QString::number(port)).toLocal8Bit();
        const int fd = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0)
            continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || !udpPortBindable(port)) {
            ::close(fd);
            continue;
        }
        return port; // fd stays open: the reservation lasts as long as this process
    }
    return 0;
}

void failTestsOnModelTesterComplaints()
{
    previousMessageHandler = qInstallMessageHandler(failOnModelTesterMessage);
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
