// The service under systemd, with systemd's side played by the test: the notification socket
// (READY, STATUS, RELOADING, WATCHDOG), socket activation through systemd-socket-activate, and
// the unit's exposure as systemd-analyze rates it.
#include "receiver/core/ReceptionEngine.h"
#include "support/TestSupport.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <arpa/inet.h>
#include <atomic>
#include <condition_variable>
#include <csignal>
#include <cstring>
#include <gtest/gtest.h>
#include <mutex>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace quendal {
namespace {

using test::readFile;
using test::waitUntil;

// A unix datagram socket in a folder of the test, as systemd's NOTIFY_SOCKET.
class NotifySocket
{
public:
    explicit NotifySocket(const QString& path) : path_(path)
    {
        fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray name = path.toLocal8Bit();
        std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
        bound_ = ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~NotifySocket() { ::close(fd_); }
    bool isBound() const { return bound_; }
    QString path() const { return path_; }
    // Every notification so far, in order.
    const QList<QByteArray>& messages()
    {
        char buffer[4096];
        for (ssize_t n; (n = ::recv(fd_, buffer, sizeof buffer, 0)) > 0;)
            messages_.append(QByteArray(buffer, n));
        return messages_;
    }
    bool waitFor(const QByteArray& text, qsizetype from = 0)
    {
        return waitUntil(
            [&] {
                const auto& all = messages();
                for (qsizetype i = from; i < all.size(); ++i)
                    if (all[i].contains(text))
                        return true;
                return false;
            },
            std::chrono::seconds(10));
    }

private:
    QString path_;
    int fd_ = -1;
    bool bound_ = false;
    QList<QByteArray> messages_;
};

bool waitForStart(QProcess& process, QByteArray& errors)
{
    return waitUntil([&] {
               errors += process.readAllStandardError();
               return errors.contains("receiving syslog") ||
                      process.state() == QProcess::NotRunning;
           }) &&
           errors.contains("receiving syslog");
}

int stopWith(QProcess& process, int signalNumber)
{
    test::sendSignal(process.processId(), signalNumber);
    if (!process.waitForFinished(5000))
        return -1;
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

TEST(SystemdService, TellsSystemdItIsReadyItsCountersReloadsAndThatItIsAlive)
{
    QTemporaryDir dir;
    NotifySocket notify(dir.filePath(QStringLiteral("notify")));
    ASSERT_TRUE(notify.isBound());
    const quint16 port = test::freeUdpPort();
    QProcess service;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("NOTIFY_SOCKET"), notify.path());
    environment.insert(QStringLiteral("WATCHDOG_USEC"), QStringLiteral("200000"));
    service.setProcessEnvironment(environment);
    service.setWorkingDirectory(dir.path());
    service.start(
        QStringLiteral(QUENDAL_SYSLOGD_BINARY),
        {QStringLiteral("--port"), QString::number(port), QStringLiteral("--log-dir"), dir.path()});
    QByteArray errors;
    ASSERT_TRUE(waitForStart(service, errors)) << errors.constData();

    ASSERT_TRUE(notify.waitFor("READY=1"));
    EXPECT_TRUE(notify.messages().constFirst().contains("STATUS=0 entries stored"))
        << notify.messages().constFirst().constData();
    EXPECT_TRUE(notify.waitFor("WATCHDOG=1"));

    test::LoopbackPeer router;
    router.sendTo(port, "<134>Mar 14 09:26:53 gw: one");
    EXPECT_TRUE(notify.waitFor("STATUS=1 entries stored"));

    const qsizetype beforeReload = notify.messages().size();
    test::sendSignal(service.processId(), SIGHUP);
    ASSERT_TRUE(notify.waitFor("RELOADING=1", beforeReload));
    // READY=1 may have come already, with more messages after it: look from RELOADING=1 on.
    qsizetype reloading = beforeReload;
    while (!notify.messages().at(reloading).contains("RELOADING=1"))
        ++reloading;
    EXPECT_TRUE(notify.waitFor("READY=1", reloading));

    EXPECT_EQ(stopWith(service, SIGTERM), 0);
    EXPECT_TRUE(notify.waitFor("STOPPING=1"));
}

TEST(SystemdService, ReceivesOnTheSocketSystemdHandsOverAndBindsNothing)
{
    const QString activate =
        QStandardPaths::findExecutable(QStringLiteral("systemd-socket-activate"));
    if (activate.isEmpty())
        GTEST_SKIP() << "systemd-socket-activate is not installed (package systemd)";
    QTemporaryDir dir;
    const quint16 port = test::freeUdpPort();
    QProcess service;
    service.setWorkingDirectory(dir.path());
    // --port names a port nobody listens on: the handed-over socket is used instead.
    service.start(activate,
                  {QStringLiteral("--datagram"), QStringLiteral("--listen=127.0.0.1:%1").arg(port),
                   QStringLiteral(QUENDAL_SYSLOGD_BINARY), QStringLiteral("--port"),
                   QStringLiteral("1"), QStringLiteral("--log-dir"), dir.path()});
    test::LoopbackPeer router;
    QByteArray errors;
    // The activator starts the service on the first datagram.
    ASSERT_TRUE(waitUntil([&] {
        router.sendTo(port, "<134>Mar 14 09:26:53 gw: activated");
        errors += service.readAllStandardError();
        return errors.contains("receiving syslog") || service.state() == QProcess::NotRunning;
    })) << errors.constData();
    ASSERT_TRUE(errors.contains("the socket from systemd (UDP port " + QByteArray::number(port)))
        << errors.constData();
    const QString file = dir.filePath(QStringLiteral("FIrWareLog.flg"));
    EXPECT_TRUE(waitUntil([&] { return readFile(file).contains("activated"); }));
    EXPECT_EQ(stopWith(service, SIGTERM), 0);
}

TEST(SystemdService, UnitExposureIsAtMostTwoAndTheSocketUnitIsValid)
{
    QProcess analyze;
    analyze.start(QStringLiteral("systemd-analyze"),
                  {QStringLiteral("security"), QStringLiteral("--offline=true"),
                   QStringLiteral(QUENDAL_BUILD_UNIT_FILE)});
    if (!analyze.waitForStarted(5000))
        GTEST_SKIP() << "systemd-analyze is not installed (package systemd)";
    ASSERT_TRUE(analyze.waitForFinished(30000));
    const QString report = QString::fromUtf8(analyze.readAllStandardOutput());
    static const QRegularExpression overall(
        QStringLiteral("Overall exposure level for \\S+: ([0-9.]+)"));
    const auto score = overall.match(report);
    ASSERT_TRUE(score.hasMatch()) << qPrintable(report);
    EXPECT_LE(score.captured(1).toDouble(), 2.0) << qPrintable(report);

    QString socketUnit = QStringLiteral(QUENDAL_BUILD_UNIT_FILE);
    socketUnit.replace(QStringLiteral(".service"), QStringLiteral(".socket"));
    QProcess verify;
    verify.start(QStringLiteral("systemd-analyze"),
                 {QStringLiteral("verify"), QStringLiteral("--man=no"), socketUnit});
    ASSERT_TRUE(verify.waitForFinished(30000));
    const QByteArray complaints = verify.readAllStandardError() + verify.readAllStandardOutput();
    EXPECT_EQ(verify.exitCode(), 0) << complaints.constData();
    EXPECT_EQ(complaints, "");
}

// Blocks the receiver thread inside an entry until released.
class StuckSink : public IntakeSink
{
public:
    void entryStored(LogCategory, const LogEntryView&) override
    {
        std::unique_lock lock(mutex_);
        stuck_ = true;
        wake_.wait(lock, [&] { return released_; });
    }
    bool isStuck()
    {
        std::lock_guard lock(mutex_);
        return stuck_;
    }
    void release()
    {
        std::lock_guard lock(mutex_);
        released_ = true;
        wake_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stuck_ = false;
    bool released_ = false;
};

TEST(SystemdService, HeartbeatComesFromTheReceiverThreadAndStopsWhileItIsStuck)
{
    QTemporaryDir dir;
    StuckSink sink;
    ReceptionEngine engine;
    engine.setObserver(&sink);
    ReceptionSettings settings;
    settings.port = test::freeUdpPort();
    settings.address = htonl(INADDR_LOOPBACK);
    settings.folder = dir.path();
    ASSERT_TRUE(engine.start(settings));
    std::atomic<int> beats{0};
    std::atomic<bool> onReceiverThread{true};
    const Qt::HANDLE mainThread = QThread::currentThreadId();
    engine.setHeartbeat(
        [&] {
            onReceiverThread = onReceiverThread && QThread::currentThreadId() != mainThread;
            ++beats;
        },
        std::chrono::milliseconds(10));
    EXPECT_TRUE(waitUntil([&] { return beats >= 3; }));

    test::LoopbackPeer router;
    router.sendTo(settings.port, "<134>Mar 14 09:26:53 gw: stuck");
    ASSERT_TRUE(waitUntil([&] { return sink.isStuck(); }));
    const int whileStuck = beats;
    test::settle(std::chrono::milliseconds(200));
    EXPECT_LE(beats, whileStuck + 1); // one may have been on its way
    sink.release();
    EXPECT_TRUE(waitUntil([&] { return beats >= whileStuck + 3; }));
    EXPECT_TRUE(onReceiverThread);
    engine.setHeartbeat({}, {});
    engine.stop();
}

} // namespace
} // namespace quendal
