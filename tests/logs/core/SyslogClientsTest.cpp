// The syslog clients a Linux machine already has, sending over UDP on loopback into a real
// receiving socket: logger in each of its modes, Python's SysLogHandler, rsyslog relaying logger
// in its forwarding formats, and those formats and malformed datagrams as bytes. Entries are
// checked in their list, in their automatic file, and after a round trip through the file and
// back through Open.
#include "common/core/UiText.h"
#include "logs/core/AutoLogFiles.h"
#include "logs/core/LogFileReader.h"
#include "logs/core/LogFileWriter.h"
#include "logs/core/LogList.h"
#include "receiver/core/CSysLogSocket.h"
#include "receiver/core/HostFilter.h"
#include "receiver/core/WanStatus.h"
#include "support/TestSupport.h"

#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <gtest/gtest.h>

namespace quendal {
namespace {

using test::readFile;
using test::waitUntil;

// A local time in the classic form, "Mmm dd hh:mm:ss" with a blank before a single-digit day.
QByteArray classicTime(qint64 secondsSinceEpoch)
{
    const QDateTime t = QDateTime::fromSecsSinceEpoch(secondsSinceEpoch);
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    return QByteArray(kMonths[t.date().month() - 1]) + ' ' +
           QByteArray::number(t.date().day()).rightJustified(2, ' ') + ' ' +
           t.time().toString(QStringLiteral("hh:mm:ss")).toLatin1();
}

std::vector<LogEntry> entries(const LogList& list)
{
    std::vector<LogEntry> out;
    for (qsizetype r = 0; r < list.size(); ++r)
        out.push_back(LogEntry::from(list.entry(r)));
    return out;
}

class SyslogClients : public ::testing::Test
{
protected:
    void SetUp() override
    {
        files.setReportToStandardError(false);
        receiver = std::make_unique<CSysLogSocket>(sink, IntakeOutputs{&files});
        QString error;
        ASSERT_TRUE(receiver->Create(0, &error, htonl(INADDR_LOOPBACK))) << qPrintable(error);
    }

    // Runs a client to completion and waits until the receiver has stored what it sent; returns
    // the datagram's text as it arrived.
    QByteArray run(const QString& program, const QStringList& arguments)
    {
        const quint64 before = receiver->counters().stored;
        QProcess client;
        client.start(program, arguments);
        pid = client.processId();
        EXPECT_TRUE(client.waitForFinished(10000)) << qPrintable(program);
        EXPECT_EQ(client.exitCode(), 0) << client.readAllStandardError().constData();
        EXPECT_TRUE(waitUntil([&] { return receiver->counters().stored > before; }));
        return QByteArray(sink.last.constData()); // up to its first zero byte
    }

    QByteArray logger(const QStringList& options, const char* priority = "local0.info")
    {
        return run(QStringLiteral("logger"),
                   QStringList{QStringLiteral("-n"), QStringLiteral("127.0.0.1"),
                               QStringLiteral("-P"), QString::number(receiver->localPort()),
                               QStringLiteral("-d"), QStringLiteral("-p"),
                               QString::fromLatin1(priority), QStringLiteral("-t"),
                               QStringLiteral("fwtag")} +
                       options + QStringList{QStringLiteral("hello world")});
    }

    void send(const QByteArray& datagram)
    {
        const quint64 before = receiver->counters().stored;
        peer.sendTo(receiver->localPort(), datagram);
        ASSERT_TRUE(waitUntil([&] { return receiver->counters().stored > before; }));
    }

    LogList& fireWall() { return lists[size_t(categoryIndex(LogCategory::FireWall))]; }
    LogEntry newest() { return LogEntry::from(fireWall().entry(0)); }

    // The entries of the FireWall list as a file keeps them: no sender, and of the severity only
    // whether it was an emergency.
    std::vector<LogEntry> asInAFile()
    {
        std::vector<LogEntry> kept = entries(fireWall());
        for (LogEntry& e : kept)
            e = {e.time, e.host, e.message,
                 e.isEmergency() ? Severity::Emergency : Severity::Unknown};
        return kept;
    }

    // The FireWall list as its automatic file and as a saved file give it back through Open.
    void expectRoundTrips()
    {
        LogFileReader reader;
        LogList opened;
        QString error;
        ASSERT_TRUE(reader.load(files.filePath(LogCategory::FireWall), opened, &error))
            << qPrintable(error);
        EXPECT_EQ(entries(opened), asInAFile());

        const QString saved = dir.filePath(QStringLiteral("saved.flg"));
        ASSERT_TRUE(SaveList(saved, fireWall().rows(), &error)) << qPrintable(error);
        EXPECT_EQ(readFile(saved), readFile(files.filePath(LogCategory::FireWall)));
        LogList reopened;
        ASSERT_TRUE(reader.load(saved, reopened, &error)) << qPrintable(error);
        EXPECT_EQ(entries(reopened), asInAFile());
    }

    // The receiver on this thread, each stored entry going straight onto its list.
    struct ListSink : IntakeSink
    {
        explicit ListSink(std::array<LogList, kCategoryCount>* l) : lists(l) {}
        std::array<LogList, kCategoryCount>* lists;
        void entryStored(LogCategory c, const LogEntryView& entry) override
        {
            (*lists)[size_t(categoryIndex(c))].prepend(entry);
        }
        // The latest datagram as it arrived, every byte.
        QByteArray last;
        void messageTaken(const IncomingMessage& message, const IntakeOutcome&) override
        {
            last = message.bytes.toByteArray();
        }
    };

    QTemporaryDir dir;
    std::array<LogList, kCategoryCount> lists;
    ListSink sink{&lists};
    AutoLogFiles files{dir.path()};
    std::unique_ptr<CSysLogSocket> receiver;
    test::LoopbackPeer peer;
    qint64 pid = 0;
};

TEST_F(SyslogClients, LoggerInTheClassicFormatIsCutAsTheRoutersAre)
{
    // The Host runs up to the first colon behind the time, so it takes in the tag.
    const QByteArray sent = logger({QStringLiteral("--rfc3164")});
    ASSERT_TRUE(sent.startsWith("<134>")) << sent.constData();
    const QByteArray host = sent.mid(21, sent.indexOf(' ', 21) - 21);
    EXPECT_EQ(sent, "<134>" + sent.mid(5, 15) + ' ' + host + " fwtag: hello world");
    EXPECT_EQ(newest(), (LogEntry{sent.mid(5, 15), host + " fwtag", "hello world",
                                  Severity::Informational, "127.0.0.1"}));
    EXPECT_EQ(readFile(files.filePath(LogCategory::FireWall)),
              sent.mid(5, 15) + "\r\n" + host + " fwtag\r\nhello world\r\n");
    expectRoundTrips();
}

TEST_F(SyslogClients, LoggerInRfc5424)
{
    const QRegularExpression isoTime(
        QStringLiteral(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{6}[+-]\d\d:\d\d$)"));

    // The default: full header with its time quality element.
    const QByteArray sent = logger({QStringLiteral("--rfc5424")});
    ASSERT_TRUE(sent.startsWith("<134>1 ")) << sent.constData();
    LogEntry e = newest();
    EXPECT_TRUE(isoTime.match(QString::fromLatin1(e.time)).hasMatch()) << e.time.constData();
    EXPECT_EQ(sent.mid(7, e.time.size() + 1), e.time + ' ');
    const QByteArray host = sent.split(' ').at(2);
    EXPECT_EQ(e.host, host);
    const qsizetype quality = sent.indexOf("[timeQuality ");
    ASSERT_GT(quality, 0);
    const QByteArray data = sent.mid(quality, sent.indexOf(']', quality) + 1 - quality);
    EXPECT_EQ(e.message, "fwtag: hello world " + data);

    // Without time quality, time and host: the sender stands in for the host.
    logger({QStringLiteral("--rfc5424=notq,notime,nohost")});
    EXPECT_EQ(newest(), (LogEntry{"", "127.0.0.1", "fwtag: hello world", Severity::Informational,
                                  "127.0.0.1"}));

    // Process id, message id and structured data of its own, as an emergency: the long time
    // goes into the file in brackets.
    logger({QStringLiteral("--rfc5424=notq"), QStringLiteral("-i"), QStringLiteral("--msgid"),
            QStringLiteral("ID47"), QStringLiteral("--sd-id"), QStringLiteral("origin@1"),
            QStringLiteral("--sd-param"), QStringLiteral("ip=\"10.0.0.1\"")},
           "local0.emerg");
    e = newest();
    EXPECT_TRUE(isoTime.match(QString::fromLatin1(e.time)).hasMatch()) << e.time.constData();
    EXPECT_EQ(e.host, host);
    EXPECT_EQ(e.message, "fwtag[" + QByteArray::number(pid) +
                             "] ID47: hello world [origin@1 ip=\"10.0.0.1\"]");
    EXPECT_TRUE(e.isEmergency());
    EXPECT_TRUE(readFile(files.filePath(LogCategory::FireWall))
                    .endsWith("[" + e.time + "]\r\n" + e.host + "\r\n" + e.message + "\r\n"));
    expectRoundTrips();
}

TEST_F(SyslogClients, PythonsSysLogHandlerGetsTheArrivalTimeAndTheSender)
{
    const qint64 before = QDateTime::currentSecsSinceEpoch();
    const QString script = QStringLiteral(
        "import logging, logging.handlers, sys\n"
        "h = logging.handlers.SysLogHandler(address=('127.0.0.1', int(sys.argv[1])),\n"
        "    facility=logging.handlers.SysLogHandler.LOG_LOCAL0)\n"
        "log = logging.getLogger('t'); log.addHandler(h)\n"
        "log.warning('python plain default handler')\n");
    const QByteArray sent =
        run(QStringLiteral("python3"),
            {QStringLiteral("-c"), script, QString::number(receiver->localPort())});
    const qint64 after = QDateTime::currentSecsSinceEpoch();
    EXPECT_EQ(sent, "<132>python plain default handler");
    EXPECT_EQ(sink.last.size(), sent.size() + 1); // its zero byte

    const LogEntry e = newest();
    EXPECT_TRUE(e.time == classicTime(before) || e.time == classicTime(after)) << e.time.data();
    EXPECT_EQ(e.host, "127.0.0.1");
    EXPECT_EQ(e.message, "python plain default handler");
    expectRoundTrips();
}

TEST_F(SyslogClients, RsyslogFormatsAndMalformedDatagramsSurviveAFileAndOpen)
{
    const QByteArray longHost(300, 'h');
    for (const QByteArray& d : {
             // RSYSLOG_ForwardFormat and RSYSLOG_SyslogProtocol23Format.
             QByteArray("<134>2026-12-07T14:20:00.123+00:00 vm fwtag: text"),
             QByteArray("<128>1 2026-12-07T14:20:00.123456+00:00 vm fwtag - - - text\n"),
             QByteArray("<134>1"),
             QByteArray("<134>1 2026-12-07T14:99:xx+garbage vm app - - - text"),
             QByteArray("<134>2026-12-07Tgarbage!! vm tag: text"),
             "<134>1 - " + longHost + " app - - - text",
             QByteArray("<134>"),
         })
        send(d);
    ASSERT_EQ(fireWall().size(), 7);
    EXPECT_EQ(LogEntry::from(fireWall().entry(6)),
              (LogEntry{"2026-12-07T14:20:00.123+00:00", "vm", "fwtag: text",
                        Severity::Informational, "127.0.0.1"}));
    EXPECT_EQ(LogEntry::from(fireWall().entry(5)),
              (LogEntry{"2026-12-07T14:20:00.123456+00:00", "vm", "fwtag: text\n",
                        Severity::Emergency, "127.0.0.1"}));
    EXPECT_EQ(fireWall().entry(4).message, "1");
    EXPECT_EQ(fireWall().entry(1).host, longHost);
    EXPECT_EQ(fireWall().entry(0).host, "127.0.0.1");

    // The file holds the line feed's entry without it, so read back that one differs by it.
    LogFileReader reader;
    LogList opened;
    ASSERT_TRUE(reader.load(files.filePath(LogCategory::FireWall), opened));
    std::vector<LogEntry> expected = asInAFile();
    expected[5].message.chop(1);
    EXPECT_EQ(entries(opened), expected);
}

// rsyslog relays a classic message from logger in its two forwarding formats.
TEST_F(SyslogClients, RsyslogForwardsInItsIsoAndRfc5424Formats)
{
    const QString rsyslogd = QStringLiteral("/usr/sbin/rsyslogd");
    if (!QFile::exists(rsyslogd))
        GTEST_SKIP() << "rsyslog is not installed";
    const quint16 relayPort = test::freeUdpPort();
    QFile conf(dir.filePath(QStringLiteral("rsyslog.conf")));
    ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
    conf.write(
        QStringLiteral("global(workDirectory=\"%1\")\n"
                       "module(load=\"imudp\")\n"
                       "input(type=\"imudp\" address=\"127.0.0.1\" port=\"%2\")\n"
                       "action(type=\"omfwd\" target=\"127.0.0.1\" port=\"%3\" protocol=\"udp\" "
                       "template=\"RSYSLOG_ForwardFormat\")\n"
                       "action(type=\"omfwd\" target=\"127.0.0.1\" port=\"%3\" protocol=\"udp\" "
                       "template=\"RSYSLOG_SyslogProtocol23Format\")\n")
            .arg(dir.path())
            .arg(relayPort)
            .arg(receiver->localPort())
            .toUtf8());
    conf.close();
    QProcess relay;
    relay.start(rsyslogd, {QStringLiteral("-n"), QStringLiteral("-f"), conf.fileName(),
                           QStringLiteral("-i"), dir.filePath(QStringLiteral("rsyslogd.pid"))});
    ASSERT_TRUE(relay.waitForStarted());

    // Until rsyslog listens, what logger sends is lost; each try has a message of its own.
    QByteArray text;
    for (int attempt = 0; attempt < 50 && fireWall().size() < 2; ++attempt) {
        text = "via rsyslog " + QByteArray::number(attempt);
        QProcess::execute(QStringLiteral("logger"),
                          {QStringLiteral("-n"), QStringLiteral("127.0.0.1"), QStringLiteral("-P"),
                           QString::number(relayPort), QStringLiteral("-d"),
                           QStringLiteral("--rfc3164"), QStringLiteral("-p"),
                           QStringLiteral("local0.info"), QStringLiteral("-t"),
                           QStringLiteral("fwtag"), QString::fromLatin1(text)});
        waitUntil([&] { return fireWall().size() >= 2; }, std::chrono::milliseconds(200));
    }
    relay.terminate();
    relay.waitForFinished(5000);
    ASSERT_GE(fireWall().size(), 2) << relay.readAllStandardError().constData();

    const QRegularExpression isoTime(
        QStringLiteral(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d(\.\d+)?([+-]\d\d:\d\d|Z)$)"));
    bool forwardFormat = false;
    bool protocol23 = false;
    for (qsizetype r = 0; r < fireWall().size(); ++r) {
        const LogEntry e = LogEntry::from(fireWall().entry(r));
        if (!e.message.contains(text))
            continue;
        EXPECT_TRUE(isoTime.match(QString::fromLatin1(e.time)).hasMatch()) << e.time.data();
        EXPECT_FALSE(e.host.isEmpty());
        // RFC 5424 carries rsyslog's MSG with its leading blank, and a line feed at the end.
        if (e.message == "fwtag: " + text)
            forwardFormat = true;
        else if (e.message == "fwtag:  " + text + "\n")
            protocol23 = true;
        else
            ADD_FAILURE() << e.message.constData();
    }
    EXPECT_TRUE(forwardFormat);
    EXPECT_TRUE(protocol23);
}

} // namespace
} // namespace quendal
