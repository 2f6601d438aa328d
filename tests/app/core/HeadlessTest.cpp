#include "app/core/HeadlessOptions.h"
#include "app/core/HeadlessOutput.h"
#include "app/core/HeadlessProcess.h"
#include "common/core/UdpSocket.h"
#include "receiver/core/WanStatus.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QUdpSocket>

#include <arpa/inet.h>
#include <csignal>
#include <gtest/gtest.h>

namespace quendal {
namespace {

using test::Headless;
using test::readFile;
using test::waitUntil;

TEST(HeadlessReceiver, FileWrittenForALoggerMessageHoldsItsColumnsByteForByte)
{
    QTemporaryDir dir;
    test::LoopbackPeer replayTarget;
    const quint16 port = test::freeUdpPort();
    Headless receiver({QStringLiteral("--port"), QString::number(port), QStringLiteral("--log-dir"),
                       dir.path(), QStringLiteral("--replay"),
                       QStringLiteral("127.0.0.1:%1").arg(replayTarget.port())},
                      dir.path());
    ASSERT_TRUE(receiver.waitUntilReceiving()) << receiver.errors().constData();

    QProcess logger;
    logger.start(QStringLiteral("logger"),
                 {QStringLiteral("-n"), QStringLiteral("127.0.0.1"), QStringLiteral("-P"),
                  QString::number(port), QStringLiteral("-d"), QStringLiteral("--rfc3164"),
                  QStringLiteral("-p"), QStringLiteral("local0.info"),
                  QStringLiteral("hello from logger 100%")});
    ASSERT_TRUE(logger.waitForFinished(5000));
    ASSERT_EQ(logger.exitCode(), 0);

    // What logger sent, as Replay passed it on: <134>, a 15-character time, a blank, then
    // "HOST TAG: message".
    ASSERT_TRUE(replayTarget.waitForDatagrams(1));
    const QByteArray sent = replayTarget.received().front();
    ASSERT_TRUE(sent.startsWith("<134>"));
    const QByteArray time = sent.mid(5, 15);
    const qsizetype colon = sent.indexOf(':', 20);
    ASSERT_GT(colon, 21);
    const QByteArray host = sent.mid(21, colon - 21);
    const QByteArray message = sent.mid(colon + 2);
    EXPECT_EQ(message, "hello from logger 100%");

    const QString file = dir.filePath(QStringLiteral("FIrWareLog.flg"));
    const QByteArray expected = time + "\r\n" + host + "\r\n" + message + "\r\n";
    EXPECT_TRUE(waitUntil([&] { return readFile(file) == expected; }))
        << readFile(file).constData();
    EXPECT_TRUE(waitUntil([&] { return receiver.output().contains("hello from logger"); }));
    EXPECT_EQ(receiver.output(), "FireWall\t" + time + "\t" + host + "\t" + message + "\n");

    EXPECT_EQ(receiver.stop(SIGINT), 0);
    EXPECT_TRUE(receiver.errors().contains("1 entries stored"));
}

TEST(HeadlessReceiver, PrintsEntriesAndStatusOfTheChosenSenderAndStopsCleanly)
{
    QTemporaryDir dir;
    const quint16 port = test::freeUdpPort();
    Headless receiver({QStringLiteral("--port"), QString::number(port), QStringLiteral("--host"),
                       QStringLiteral("127.0.0.2"), QStringLiteral("-d")},
                      dir.path());
    ASSERT_TRUE(receiver.waitUntilReceiving()) << receiver.errors().constData();

    QUdpSocket chosen;
    ASSERT_TRUE(chosen.bind(QHostAddress(QStringLiteral("127.0.0.2")), 0));
    test::LoopbackPeer other;
    other.sendTo(port, "<134>Mar 14 09:26:53 other: from someone else");
    chosen.writeDatagram("<128>Mar 14 09:26:54 gw: tab\there\nand a line", QHostAddress::LocalHost,
                         port);
    chosen.writeDatagram("<173>Mar 14 09:26:55 gw: Tx=5 BBandMode=PPPoE ", QHostAddress::LocalHost,
                         port);

    const QByteArray entryLine = "FireWall\t[Mar 14 09:26:54]\tgw\ttab\\there\\nand a line\n";
    const QByteArray statusLine = "Status\tTx=5\tRx=0\tGW_IP=....\tBBandIp=....\tBBandTxPkt=0"
                                  "\tBBandTxRate=0\tBBandRxPkt=0\tBBandRxRate=0\tBBandMode=PPPoE\n";
    EXPECT_TRUE(waitUntil([&] { return receiver.output().contains(statusLine); }))
        << receiver.output().constData();
    // Standard output carries the console's echo of every datagram between the entry lines.
    EXPECT_TRUE(receiver.output().contains("\n" + entryLine + "<173>"));
    EXPECT_FALSE(receiver.output().contains("FireWall\tMar 14 09:26:53\tother"));
    EXPECT_EQ(receiver.stop(SIGTERM), 0);

    // The debug switch echoed all three datagrams, the dropped one too, into the debug log.
    const QByteArray debugLog = readFile(dir.filePath(QStringLiteral("QuenDalSysLog.log")));
    EXPECT_TRUE(debugLog.contains("from someone else\r\n"));
    EXPECT_TRUE(debugLog.contains("tab\there\r\nand a line\r\n"));
    EXPECT_EQ(readFile(dir.filePath(QStringLiteral("FIrWareLog.flg"))),
              "[Mar 14 09:26:54]\r\ngw\r\ntab\there and a line\r\n");
}

TEST(HeadlessReceiver, LogFolderLostWhileRunningIsReportedOnceAndEntriesGoOn)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("logs"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const quint16 port = test::freeUdpPort();
    Headless receiver(
        {QStringLiteral("--port"), QString::number(port), QStringLiteral("--log-dir"), folder},
        dir.path());
    ASSERT_TRUE(receiver.waitUntilReceiving()) << receiver.errors().constData();
    ASSERT_TRUE(QDir(folder).removeRecursively());

    test::LoopbackPeer router;
    for (int i = 0; i < 3; ++i)
        router.sendTo(port, "<134>Mar 14 09:26:53 gw: while gone " + QByteArray::number(i));
    EXPECT_TRUE(waitUntil([&] { return receiver.output().count('\n') == 3; }));
    EXPECT_EQ(receiver.errors().count("cannot write log file"), 1);

    ASSERT_TRUE(QDir().mkpath(folder));
    router.sendTo(port, "<134>Mar 14 09:26:54 gw: back");
    const QString file = folder + QStringLiteral("/FIrWareLog.flg");
    EXPECT_TRUE(waitUntil([&] { return readFile(file) == "Mar 14 09:26:54\r\ngw\r\nback\r\n"; }));
    EXPECT_EQ(receiver.stop(), 0);
    EXPECT_EQ(receiver.errors().count("cannot write log file"), 1);
    EXPECT_EQ(receiver.errors().count("writing log file"), 1);
}

TEST(HeadlessReceiver, RefusesToStartWithOneClearLine)
{
    QTemporaryDir dir;

    for (const QStringList& bad :
         {QStringList{QStringLiteral("--port"), QStringLiteral("70000")},
          QStringList{QStringLiteral("--bogus")},
          QStringList{QStringLiteral("--replay"), QStringLiteral("1.2.3:5")},
          QStringList{QStringLiteral("--host")}}) {
        Headless receiver(bad, dir.path());
        EXPECT_EQ(receiver.waitForExit(), 2) << qPrintable(bad.join(QLatin1Char(' ')));
        EXPECT_EQ(receiver.errors().count('\n'), 1);
    }

    {
        Headless receiver({QStringLiteral("--port"), QString::number(test::freeUdpPort()),
                           QStringLiteral("--log-dir"), dir.filePath(QStringLiteral("missing"))},
                          dir.path());
        EXPECT_EQ(receiver.waitForExit(), 1);
        EXPECT_TRUE(receiver.errors().contains(
            "log folder " + dir.filePath(QStringLiteral("missing")).toUtf8() + " does not exist"));
    }
    {
        UdpSocket taken;
        ASSERT_TRUE(taken.open(0, htonl(INADDR_ANY)));
        Headless receiver({QStringLiteral("--port"), QString::number(taken.localPort())},
                          dir.path());
        EXPECT_EQ(receiver.waitForExit(), 1);
        EXPECT_TRUE(receiver.errors().contains(
            QStringLiteral("cannot receive on UDP port %1").arg(taken.localPort()).toUtf8()));
        EXPECT_EQ(receiver.errors().count('\n'), 1);
    }
}

TEST(HeadlessOptions, ParsesEveryOptionAndRejectsTheRest)
{
    QString error;
    const auto options = parseHeadlessOptions(
        {QStringLiteral("--headless"), QStringLiteral("--port=5514"), QStringLiteral("--log-dir"),
         QStringLiteral("/tmp/x"), QStringLiteral("--replay"), QStringLiteral("192.168.1.10:6000"),
         QStringLiteral("--host"), QStringLiteral("192.168.1.1"), QStringLiteral("-d")},
        &error);
    ASSERT_TRUE(options) << qPrintable(error);
    EXPECT_EQ(options->port, 5514);
    EXPECT_EQ(options->logDir, QStringLiteral("/tmp/x"));
    EXPECT_EQ(options->replayAddress, QStringLiteral("192.168.1.10"));
    EXPECT_EQ(options->replayPort, 6000);
    EXPECT_EQ(options->host, QStringLiteral("192.168.1.1"));
    EXPECT_TRUE(options->debug);

    const auto defaults = parseHeadlessOptions({}, &error);
    ASSERT_TRUE(defaults);
    EXPECT_EQ(defaults->port, 514);
    EXPECT_FALSE(defaults->logDir || defaults->replayAddress || defaults->host);

    for (const QStringList& bad :
         {QStringList{QStringLiteral("--port"), QStringLiteral("5a")},
          QStringList{QStringLiteral("--port")}, QStringList{QStringLiteral("--replay=10.0.0.1")},
          QStringList{QStringLiteral("--replay"), QStringLiteral("host:514")},
          QStringList{QStringLiteral("--host"), QStringLiteral("10.0.0.256")},
          QStringList{QStringLiteral("-debug")}}) {
        EXPECT_FALSE(parseHeadlessOptions(bad, &error)) << qPrintable(bad.join(QLatin1Char(' ')));
        EXPECT_FALSE(error.isEmpty());
    }
}

TEST(HeadlessOutput, OneLinePerEntryWithControlCharactersEscaped)
{
    QByteArray out;
    appendEntryLine(
        out, LogCategory::Call,
        LogEntryView{"Mar 14 09:26:53", "h\\x", QByteArrayView("a\tb\r\n\x01\x7f\xc3\xa9", 9)});
    appendEntryLine(out, LogCategory::UserAccess, LogEntryView{"t", "", "", Severity::Emergency});
    EXPECT_EQ(out, "Call\tMar 14 09:26:53\th\\\\x\ta\\tb\\r\\n\\x01\\x7f\xc3\xa9\n"
                   "UserAccess\t[t]\t\t\n");
}

} // namespace
} // namespace quendal
