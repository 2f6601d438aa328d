// rsyslog as the collector, started by the test on loopback with its own configuration and work
// folder: over plain TCP and over TLS (its openssl driver), entries arrive in order with the
// router's address in the origin element.
#include "forward/core/ForwardTestCertificates.h"
#include "forward/core/Forwarder.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <csignal>
#include <gtest/gtest.h>

namespace quendal {
namespace {

using namespace Qt::StringLiterals;
using std::chrono::seconds;

const QString kRsyslogd = u"/usr/sbin/rsyslogd"_s;

quint16 freeTcpPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

// rsyslogd in the foreground, writing each message it receives as one line of out.log.
class Rsyslog
{
public:
    Rsyslog(const QString& folder, quint16 port, const test::Certificates* tls) : folder_(folder)
    {
        QString conf = u"global(workDirectory=\""_s + folder + u"\""_s;
        if (tls)
            conf += u" defaultNetstreamDriverCAFile=\""_s + tls->path(u"ca.pem"_s) +
                    u"\" defaultNetstreamDriverCertFile=\""_s + tls->path(u"server.pem"_s) +
                    u"\" defaultNetstreamDriverKeyFile=\""_s + tls->path(u"server.key"_s) + u"\""_s;
        conf += u")\n"_s;
        conf += tls ? u"module(load=\"imtcp\" streamDriver.name=\"ossl\" streamDriver.mode=\"1\" "
                      u"streamDriver.authMode=\"anon\")\n"_s
                    : u"module(load=\"imtcp\")\n"_s;
        conf += u"input(type=\"imtcp\" address=\"127.0.0.1\" port=\""_s + QString::number(port) +
                u"\")\n"
                u"template(name=\"raw\" type=\"string\" string=\"%rawmsg%\\n\")\n"
                u"action(type=\"omfile\" file=\""_s +
                folder + u"/out.log\" template=\"raw\")\n"_s;
        QFile file(folder + u"/rsyslog.conf"_s);
        if (file.open(QIODevice::WriteOnly))
            file.write(conf.toUtf8());
        file.close();
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(kRsyslogd,
                       {u"-n"_s, u"-f"_s, file.fileName(), u"-i"_s, folder + u"/rsyslog.pid"_s});
    }
    ~Rsyslog()
    {
        if (process_.state() != QProcess::NotRunning) {
            test::sendSignal(process_.processId(), SIGTERM);
            if (!process_.waitForFinished(5000))
                process_.kill();
            process_.waitForFinished();
        }
    }
    QList<QByteArray> lines() const
    {
        QFile out(folder_ + u"/out.log"_s);
        if (!out.open(QIODevice::ReadOnly))
            return {};
        QList<QByteArray> result = out.readAll().split('\n');
        result.removeAll(QByteArray());
        return result;
    }

private:
    QString folder_;
    QProcess process_;
};

void expectInOrderWithOrigin(const QList<QByteArray>& lines, int count)
{
    ASSERT_EQ(lines.size(), count);
    for (int n = 0; n < count; ++n) {
        EXPECT_TRUE(lines[n].endsWith(" entry " + QByteArray::number(n))) << lines[n].constData();
        EXPECT_TRUE(lines[n].contains("[origin ip=\"192.168.1.1\"]")) << lines[n].constData();
    }
}

class RsyslogCollector : public ::testing::TestWithParam<bool>
{};

TEST_P(RsyslogCollector, EntriesArriveInOrderWithTheRoutersAddress)
{
    if (!QFileInfo(kRsyslogd).isExecutable())
        GTEST_SKIP() << "rsyslogd is not installed";
    const bool tls = GetParam();
    static const test::Certificates certificates;
    ASSERT_TRUE(certificates.ok);
    QTemporaryDir dir;
    const quint16 port = freeTcpPort();
    Rsyslog rsyslog(dir.path(), port, tls ? &certificates : nullptr);

    ForwardSettings settings;
    settings.queueFolder = dir.filePath(u"queue"_s);
    ForwardTarget& target = settings.targets.emplace_back();
    target.name = u"rsyslog"_s;
    target.url = *parseForwardUrl(
        (tls ? u"tls://localhost:"_s : u"tcp://127.0.0.1:"_s) + QString::number(port), nullptr);
    target.caFile = certificates.path(u"ca.pem"_s);
    Forwarder forwarder;
    forwarder.apply(settings);
    const int count = 500;
    for (int n = 0; n < count; ++n)
        forwarder.offer("<134>Dec  8 10:00:00 gw kernel: entry " + QByteArray::number(n),
                        u"192.168.1.1"_s, 1'765'000'000'000);
    // rsyslog may still be starting: the first attempt then fails and the next one gets in.
    ASSERT_TRUE(test::waitUntil([&] { return rsyslog.lines().size() >= count; }, seconds(20)))
        << rsyslog.lines().size() << " lines arrived";
    expectInOrderWithOrigin(rsyslog.lines(), count);
    EXPECT_TRUE(test::waitUntil([&] { return forwarder.status().at(0).acknowledged == count; }));
}

INSTANTIATE_TEST_SUITE_P(TcpAndTls, RsyslogCollector, ::testing::Bool());

} // namespace
} // namespace quendal
