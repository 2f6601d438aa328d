// Forwarding against collectors on loopback: plain TCP and UDP ones and TLS ones with
// certificates the test makes with openssl (rsyslog as the collector: RsyslogCollectorTest). A
// lost connection sends the unacknowledged tail again; an outage loses nothing; a full queue drops
// the oldest, counted exactly; a certificate that does not check gets nothing.
#include "forward/core/ForwardConnection.h"
#include "forward/core/ForwardTestCertificates.h"
#include "forward/core/Forwarder.h"
#include "support/TestSupport.h"

#include <QNetworkDatagram>
#include <QProcess>
#include <QSignalSpy>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QUdpSocket>

#include <gtest/gtest.h>
#include <memory>
#include <sys/socket.h>

namespace quendal {
namespace {

using namespace Qt::StringLiterals;
using std::chrono::seconds;

// Takes connections and cuts what arrives into octet-counted frames.
class Collector : public QObject
{
public:
    explicit Collector(QTcpServer* server) : server_(server)
    {
        connect(server_, &QTcpServer::pendingConnectionAvailable, this, [this] {
            while (QTcpSocket* socket = server_->nextPendingConnection()) {
                if (holdFirst && !held) {
                    // Read nothing: what the system's buffers cannot take stays unacknowledged.
                    held = socket;
                    socket->setReadBufferSize(1);
                    continue;
                }
                auto buffer = std::make_shared<QByteArray>();
                connect(socket, &QIODevice::readyRead, this, [this, socket, buffer] {
                    *buffer += socket->readAll();
                    cutFrames(*buffer);
                });
            }
        });
    }
    bool listen(quint16 port = 0) { return server_->listen(QHostAddress::LocalHost, port); }
    quint16 port() const { return server_->serverPort(); }

    QList<QByteArray> frames;
    bool holdFirst = false; // the first connection is never read
    QTcpSocket* held = nullptr;

private:
    void cutFrames(QByteArray& buffer)
    {
        for (;;) {
            const qsizetype space = buffer.indexOf(' ');
            if (space <= 0)
                return;
            const qsizetype length = buffer.left(space).toLongLong();
            if (buffer.size() < space + 1 + length)
                return;
            frames << buffer.mid(space + 1, length);
            buffer.remove(0, space + 1 + length);
        }
    }

    QTcpServer* server_;
};

QByteArray entry(int n)
{
    return "<134>Dec  8 10:00:00 gw kernel: entry " + QByteArray::number(n);
}

// The numbers of the entries that arrived, in their order.
QList<int> numbers(const QList<QByteArray>& frames)
{
    QList<int> result;
    for (const QByteArray& frame : frames)
        result << frame.mid(frame.lastIndexOf(' ') + 1).toInt();
    return result;
}

QList<int> range(int from, int to)
{
    QList<int> result;
    for (int n = from; n < to; ++n)
        result << n;
    return result;
}

class Forwarding : public ::testing::Test
{
protected:
    ForwardSettings settingsFor(const QString& url,
                                ForwardFormat format = ForwardFormat::AsReceived)
    {
        ForwardSettings settings;
        settings.queueFolder = dir.path();
        ForwardTarget target;
        target.url = *parseForwardUrl(url, nullptr);
        target.name = u"central"_s;
        target.format = format;
        settings.targets.push_back(target);
        return settings;
    }
    void offer(int from, int to)
    {
        for (int n = from; n < to; ++n)
            forwarder.offer(entry(n), u"192.168.1.1"_s, 1'765'000'000'000);
    }
    ForwardTargetStatus status() const { return forwarder.status().at(0); }

    QTemporaryDir dir;
    Forwarder forwarder;
    QSignalSpy problems{&forwarder, &Forwarder::problem};
    QSignalSpy recoveries{&forwarder, &Forwarder::recovered};
};

TEST_F(Forwarding, ALostConnectionSendsTheUnacknowledgedTailAgain)
{
    QTcpServer server;
    Collector collector(&server);
    collector.holdFirst = true;
    ASSERT_TRUE(collector.listen());
    // A small receive window, inherited by the connections the server accepts.
    const int window = 4096;
    ASSERT_EQ(
        ::setsockopt(int(server.socketDescriptor()), SOL_SOCKET, SO_RCVBUF, &window, sizeof window),
        0);
    forwarder.apply(settingsFor(u"tcp://127.0.0.1:"_s + QString::number(collector.port())));
    offer(0, 2000);
    ASSERT_TRUE(test::waitUntil([&] { return status().sent == 2000; }, seconds(10)));
    EXPECT_LT(status().acknowledged, 2000u);
    collector.held->abort(); // the collector goes away with most entries unacknowledged

    // What its system had acknowledged is gone with it; everything after comes again, in order.
    ASSERT_TRUE(test::waitUntil([&] { return status().acknowledged == 2000; }, seconds(10)));
    ASSERT_FALSE(collector.frames.isEmpty());
    const int resentFrom = numbers(collector.frames).front();
    EXPECT_EQ(numbers(collector.frames), range(resentFrom, 2000));
    EXPECT_LT(resentFrom, 1000);
    EXPECT_EQ(status().sent, 2000u + quint64(2000 - resentFrom));
    EXPECT_EQ(recoveries.size(), 1);
}

TEST_F(Forwarding, AnOutageLosesNothingAndIsReportedOnceWithItsRecovery)
{
    QTcpServer server;
    Collector collector(&server);
    ASSERT_TRUE(collector.listen());
    const quint16 port = collector.port();
    server.close(); // the collector is down
    forwarder.apply(settingsFor(u"tcp://127.0.0.1:"_s + QString::number(port)));
    offer(0, 100);
    ASSERT_TRUE(test::waitUntil([&] { return status().failedAttempts >= 2; }, seconds(10)));
    EXPECT_EQ(status().queuedEntries, 100u);
    ASSERT_EQ(problems.size(), 1);
    EXPECT_TRUE(problems[0][0].toString().startsWith(u"cannot connect to central (tcp://"_s))
        << qPrintable(problems[0][0].toString());

    ASSERT_TRUE(collector.listen(port));
    offer(100, 200);
    ASSERT_TRUE(test::waitUntil([&] { return collector.frames.size() >= 200; }, seconds(10)));
    EXPECT_EQ(numbers(collector.frames), range(0, 200));
    EXPECT_TRUE(test::waitUntil([&] { return status().acknowledged == 200; }));
    EXPECT_EQ(problems.size(), 1);
    EXPECT_EQ(recoveries.size(), 1);
}

TEST_F(Forwarding, UdpSendsADatagramPerEntryInTheChosenFormat)
{
    QUdpSocket collector;
    ASSERT_TRUE(collector.bind(QHostAddress::LocalHost, 0));
    forwarder.apply(settingsFor(u"udp://127.0.0.1:"_s + QString::number(collector.localPort()),
                                ForwardFormat::Rfc5424));
    offer(0, 20);
    QList<QByteArray> datagrams;
    ASSERT_TRUE(test::waitUntil([&] {
        while (collector.hasPendingDatagrams())
            datagrams << collector.receiveDatagram().data();
        return datagrams.size() >= 20;
    }));
    EXPECT_EQ(numbers(datagrams), range(0, 20));
    EXPECT_TRUE(datagrams.front().contains("[origin ip=\"192.168.1.1\"]"));
    EXPECT_TRUE(test::waitUntil([&] { return status().acknowledged == 20; }));
}

TEST_F(Forwarding, AFullQueueDropsTheOldestCountedExactly)
{
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    const quint16 port = server.serverPort();
    server.close();
    ForwardSettings settings = settingsFor(u"tcp://127.0.0.1:"_s + QString::number(port));
    settings.targets[0].queueMaxBytes = 1024 * 1024;
    forwarder.apply(settings);
    const QByteArray padding(1000, 'x');
    const int sent = 3000;
    for (int n = 0; n < sent; ++n)
        forwarder.offer(entry(n) + padding, u"192.168.1.1"_s, 0);
    forwarder.stop();
    const ForwardTargetStatus s = status();
    EXPECT_EQ(s.accepted, quint64(sent));
    EXPECT_GT(s.dropped, 0u);
    EXPECT_EQ(s.acknowledged + s.queuedEntries + s.dropped, s.accepted + s.carriedOver);
    // The drop is reported once.
    const auto reported = [&] {
        QStringList texts;
        for (const QList<QVariant>& p : problems)
            texts << p[0].toString();
        return texts.filter(u"the queue of central is full"_s).size();
    };
    EXPECT_TRUE(test::waitUntil([&] { return reported() > 0; }));
    EXPECT_EQ(reported(), 1);
}

QSslConfiguration serverConfiguration(const test::Certificates& certificates, const QString& name)
{
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setLocalCertificate(
        QSslCertificate::fromPath(certificates.path(name + u".pem"_s)).value(0));
    QFile key(certificates.path(name + u".key"_s));
    key.open(QIODevice::ReadOnly);
    configuration.setPrivateKey(QSslKey(&key, QSsl::Ec));
    configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
    return configuration;
}

TEST_F(Forwarding, TlsReachesATrustedCollectorAndNothingReachesAnUntrustedOne)
{
    static const test::Certificates certificates;
    ASSERT_TRUE(certificates.ok) << "openssl could not make the test certificates";

    QSslServer trusted;
    trusted.setSslConfiguration(serverConfiguration(certificates, u"server"_s));
    Collector good(&trusted);
    ASSERT_TRUE(good.listen());
    QSslServer untrusted;
    untrusted.setSslConfiguration(serverConfiguration(certificates, u"rogue"_s));
    Collector rogue(&untrusted);
    ASSERT_TRUE(rogue.listen());

    ForwardSettings settings =
        settingsFor(u"tls://localhost:"_s + QString::number(good.port()), ForwardFormat::Rfc5424);
    settings.targets.push_back(settings.targets[0]);
    settings.targets[1].name = u"rogue"_s;
    settings.targets[1].url.port = rogue.port();
    for (ForwardTarget& target : settings.targets)
        target.caFile = certificates.path(u"ca.pem"_s);
    forwarder.apply(settings);
    offer(0, 50);
    ASSERT_TRUE(test::waitUntil([&] { return good.frames.size() >= 50; }, seconds(10)));
    EXPECT_EQ(numbers(good.frames), range(0, 50));
    EXPECT_TRUE(
        test::waitUntil([&] { return forwarder.status().at(0).acknowledged == 50; }, seconds(10)));

    ASSERT_TRUE(
        test::waitUntil([&] { return forwarder.status().at(1).failedAttempts >= 2; }, seconds(10)));
    EXPECT_EQ(forwarder.status().at(1).state, ForwardState::CertificateRefused);
    EXPECT_EQ(forwarder.status().at(1).queuedEntries, 50u);
    EXPECT_TRUE(rogue.frames.isEmpty());
    ASSERT_EQ(problems.size(), 1);
    EXPECT_TRUE(
        problems[0][0].toString().startsWith(u"the certificate of localhost is not trusted"_s))
        << qPrintable(problems[0][0].toString());
}

} // namespace
} // namespace quendal
