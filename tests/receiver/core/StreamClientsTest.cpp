#include "receiver/core/ReceptionEngine.h"
#include "receiver/core/ShownReception.h"
#include "support/TestCertificates.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpSocket>

#include <csignal>
#include <future>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace quendal {
namespace {

using test::waitUntil;

bool found(const QString& program)
{
    return !QStandardPaths::findExecutable(program).isEmpty() ||
           QFileInfo(u"/usr/sbin/"_s + program).isExecutable();
}

// Runs a program to its end; its output when it fails.
::testing::AssertionResult run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (process.waitForFinished(20'000) && process.exitStatus() == QProcess::NormalExit &&
        process.exitCode() == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << program.toStdString() << ": " << process.readAll().toStdString();
}

// Reception with TCP and TLS on 127.0.0.1, TLS clients needing a certificate of the test's CA.
class StreamClients : public test::ShownReception
{
protected:
    void SetUp() override
    {
        QString error;
        const auto made = test::makeTestCertificates(certificates.path(), &error);
        ASSERT_TRUE(made) << error.toStdString();
        tls = *made;
        start([&](ReceptionSettings& s) {
            s.tcpPort = 0;
            s.tlsPort = 0;
            s.tlsCertificate = tls.serverCertificate;
            s.tlsKey = tls.serverKey;
            s.tlsClientCa = tls.caCertificate;
        });
    }
    bool waitForStored(quint64 count)
    {
        return waitUntil([&] { return engine.counters().stored >= count; },
                         std::chrono::seconds(20));
    }
    QByteArray firewall() const { return file(LogCategory::FireWall); }

    QTemporaryDir certificates;
    test::TestCertificates tls;
};

TEST_F(StreamClients, LoggerSendsOverTcpLineByLineAndOctetCounted)
{
    if (!found(u"logger"_s))
        GTEST_SKIP() << "no logger";
    const QString port = QString::number(engine.tcpPort());
    ASSERT_TRUE(run(u"logger"_s, {u"-T"_s, u"-n"_s, u"127.0.0.1"_s, u"-P"_s, port, u"-p"_s,
                                  u"local0.info"_s, u"line framed"_s}));
    ASSERT_TRUE(run(u"logger"_s, {u"-T"_s, u"--octet-count"_s, u"-n"_s, u"127.0.0.1"_s, u"-P"_s,
                                  port, u"-p"_s, u"local0.info"_s, u"octet counted"_s}));
    ASSERT_TRUE(waitForStored(2));
    EXPECT_TRUE(firewall().contains("line framed"));
    EXPECT_TRUE(firewall().contains("octet counted"));
    const IntakeCounters c = engine.counters();
    EXPECT_EQ(c.readTcp, 2u);
    EXPECT_EQ(c.read, c.stored);
}

// rsyslog as the sending daemon, with a configuration, work folder and socket of its own.
TEST_F(StreamClients, RsyslogForwardsOverTcpInBothFramingsAndOverTls)
{
    if (!found(u"rsyslogd"_s) || !found(u"logger"_s) ||
        !QFile::exists(u"/usr/lib/x86_64-linux-gnu/rsyslog/lmnsd_ossl.so"_s))
        GTEST_SKIP() << "no rsyslog with rsyslog-openssl";
    QTemporaryDir work;
    const QString socket = work.filePath(u"log.sock"_s);
    const QString action = u"action(type=\"omfwd\" target=\"127.0.0.1\" protocol=\"tcp\" "_s;
    QByteArray conf =
        (u"global(workDirectory=\""_s + work.path() + u"\" DefaultNetstreamDriverCAFile=\""_s +
         tls.caCertificate + u"\" DefaultNetstreamDriverCertFile=\""_s + tls.clientCertificate +
         u"\" DefaultNetstreamDriverKeyFile=\""_s + tls.clientKey +
         u"\")\nmodule(load=\"imuxsock\" SysSock.Use=\"off\")\n"
         u"input(type=\"imuxsock\" Socket=\""_s +
         socket + u"\")\n"_s + action + u"port=\""_s + QString::number(engine.tcpPort()) +
         u"\" TCP_Framing=\"octet-counted\")\n"_s + action + u"port=\""_s +
         QString::number(engine.tcpPort()) + u"\")\n"_s + action + u"port=\""_s +
         QString::number(engine.tlsPort()) +
         u"\" TCP_Framing=\"octet-counted\" StreamDriver=\"ossl\" StreamDriverMode=\"1\" "
         u"StreamDriverAuthMode=\"x509/name\" "
         u"StreamDriverPermittedPeers=\"localhost\")\n"_s)
            .toUtf8();
    QFile file(work.filePath(u"rsyslog.conf"_s));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(conf) == conf.size());
    file.close();

    QProcess rsyslog;
    rsyslog.setProcessChannelMode(QProcess::MergedChannels);
    rsyslog.start(u"/usr/sbin/rsyslogd"_s,
                  {u"-n"_s, u"-f"_s, file.fileName(), u"-i"_s, work.filePath(u"rsyslogd.pid"_s)});
    ASSERT_TRUE(rsyslog.waitForStarted());
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(socket); }, std::chrono::seconds(10)));
    ASSERT_TRUE(
        run(u"logger"_s, {u"-u"_s, socket, u"-p"_s, u"local0.info"_s, u"through the daemon"_s}));
    // One message, three ways.
    const bool arrived = waitForStored(3);
    test::sendSignal(rsyslog.processId(), SIGTERM);
    rsyslog.waitForFinished(10'000);
    ASSERT_TRUE(arrived) << firewall().toStdString() << rsyslog.readAll().toStdString();
    const IntakeCounters c = engine.counters();
    EXPECT_EQ(c.readTcp, 2u);
    EXPECT_EQ(c.readTls, 1u);
    EXPECT_EQ(firewall().count("through the daemon"), 3);
}

// Python's ssl as a client with the test's certificate, a stranger's, and none.
TEST_F(StreamClients, TlsTakesOnlyClientsWithACertificateOfItsAuthority)
{
    if (!found(u"python3"_s))
        GTEST_SKIP() << "no python3";
    const char* script = R"(
import socket, ssl, sys
port, ca, cert, key, text = sys.argv[1:6]
context = ssl.create_default_context(ssl.Purpose.SERVER_AUTH, cafile=ca)
if cert:
    context.load_cert_chain(cert, key)
try:
    with socket.create_connection(("127.0.0.1", int(port)), timeout=10) as raw:
        with context.wrap_socket(raw, server_hostname="localhost") as s:
            frame = text.encode()
            s.sendall(str(len(frame)).encode() + b" " + frame)
            s.recv(1)
except (OSError, ssl.SSLError):
    pass
)";
    const QString port = QString::number(engine.tlsPort());
    const auto client = [&](const QString& cert, const QString& key, const QString& text) {
        return run(u"python3"_s,
                   {u"-c"_s, QString::fromUtf8(script), port, tls.caCertificate, cert, key, text});
    };
    ASSERT_TRUE(
        client(tls.strangerClientCertificate, tls.strangerClientKey, u"<134>from a stranger"_s));
    ASSERT_TRUE(client({}, {}, u"<134>without a certificate"_s));
    ASSERT_TRUE(waitUntil([&] { return engine.counters().connections.refused == 2; }));
    // The trusted client closes after sending, so its message is in when it ends.
    auto trusted = std::async(std::launch::async, [&] {
        return client(tls.clientCertificate, tls.clientKey, u"<134>from a friend"_s);
    });
    ASSERT_TRUE(waitForStored(1));
    const IntakeCounters c = engine.counters();
    EXPECT_EQ(c.readTls, 1u);
    EXPECT_EQ(c.connections.accepted, 1u);
    EXPECT_TRUE(firewall().contains("from a friend"));
    EXPECT_FALSE(firewall().contains("stranger"));
    EXPECT_FALSE(firewall().contains("without"));
    engine.stop(); // the friend's recv ends with the connection
    EXPECT_TRUE(trusted.get());
}

} // namespace
} // namespace quendal
