// The service killed with SIGKILL while its collector is down, then started again on the same
// queue once the collector is back: every entry arrives, in order.
#include "app/core/HeadlessProcess.h"
#include "support/TestSupport.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QUdpSocket>

#include <gtest/gtest.h>

namespace quendal {
namespace {

using namespace Qt::StringLiterals;
using std::chrono::seconds;

TEST(ForwardRestart, EntriesQueuedBeforeAKillArriveAfterTheRestart)
{
    QTemporaryDir dir;
    QTcpServer collector;
    ASSERT_TRUE(collector.listen(QHostAddress::LocalHost));
    const quint16 collectorPort = collector.serverPort();
    collector.close();
    const quint16 port = test::freeUdpPort();
    const QStringList arguments{
        u"--port"_s,           QString::number(port),
        u"--listen"_s,         u"127.0.0.1"_s,
        u"--log-dir"_s,        dir.path(),
        u"--stats"_s,          u"1"_s,
        u"--forward"_s,        u"tcp://127.0.0.1:"_s + QString::number(collectorPort),
        u"--forward-format"_s, u"as-received"_s};
    const int count = 200;
    {
        test::Headless service(arguments, dir.path(), true);
        ASSERT_TRUE(service.waitUntilReceiving()) << service.errors().constData();
        QUdpSocket router;
        for (int n = 0; n < count; ++n)
            router.writeDatagram("<134>Dec  8 10:00:00 gw kernel: entry " + QByteArray::number(n),
                                 QHostAddress::LocalHost, port);
        ASSERT_TRUE(test::waitUntil(
            [&] { return service.errors().contains(QByteArray::number(count) + " queued"); },
            seconds(10)))
            << service.errors().constData();
        EXPECT_EQ(service.stop(SIGKILL), -1);
    }

    ASSERT_TRUE(collector.listen(QHostAddress::LocalHost, collectorPort));
    QByteArray received;
    QObject::connect(&collector, &QTcpServer::pendingConnectionAvailable, [&] {
        QTcpSocket* socket = collector.nextPendingConnection();
        QObject::connect(socket, &QIODevice::readyRead,
                         [&received, socket] { received += socket->readAll(); });
    });
    test::Headless service(arguments, dir.path(), true);
    ASSERT_TRUE(service.waitUntilReceiving()) << service.errors().constData();
    const QByteArray last = "entry " + QByteArray::number(count - 1);
    ASSERT_TRUE(test::waitUntil([&] { return received.endsWith(last); }, seconds(10)));
    // Octet-counted frames, each entry once and in order.
    QList<int> numbers;
    for (qsizetype at = 0; at < received.size();) {
        const qsizetype space = received.indexOf(' ', at);
        const qsizetype length = received.mid(at, space - at).toLongLong();
        const QByteArray frame = received.mid(space + 1, length);
        numbers << frame.mid(frame.lastIndexOf(' ') + 1).toInt();
        at = space + 1 + length;
    }
    ASSERT_EQ(numbers.size(), count);
    for (int n = 0; n < count; ++n)
        EXPECT_EQ(numbers[n], n);
    EXPECT_EQ(service.stop(), 0);
    EXPECT_TRUE(service.errors().contains(
        QStringLiteral("accepted 0 + %1 queued before = delivered %1 + still queued 0 + dropped 0")
            .arg(count)
            .toUtf8()))
        << service.errors().constData();
}

} // namespace
} // namespace quendal
