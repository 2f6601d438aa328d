// The service with TCP: what the options ask for, what it reports and what its summary counts.
#include "support/TestSupport.h"

#include <QFile>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <csignal>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace quendal {
namespace {

TEST(HeadlessStreams, TlsWithoutItsFilesIsRefusedByTheCheck)
{
    QProcess check;
    check.start(QStringLiteral(QUENDAL_SYSLOGD_BINARY),
                {u"--config"_s, u"/dev/null"_s, u"--tls-port"_s, u"6514"_s, u"--check-config"_s});
    ASSERT_TRUE(check.waitForFinished(10'000));
    EXPECT_EQ(check.exitCode(), 2);
    EXPECT_TRUE(check.readAllStandardError().contains("tls-port needs tls-cert and tls-key"));
}

TEST(HeadlessStreams, TheServiceTakesTcpReportsABadFrameAndCountsBothInItsSummary)
{
    QTemporaryDir dir;
    const quint16 port = test::freeUdpPort();
    QProcess receiver;
    receiver.start(QStringLiteral(QUENDAL_SYSLOGD_BINARY),
                   {u"--config"_s, u"/dev/null"_s, u"--port"_s, QString::number(port),
                    u"--tcp-port"_s, QString::number(port), u"--listen"_s, u"127.0.0.1"_s,
                    u"--log-dir"_s, dir.path()});
    QByteArray errors;
    ASSERT_TRUE(test::waitUntil([&] {
        errors += receiver.readAllStandardError();
        return errors.contains("receiving syslog over TCP on port " + QByteArray::number(port));
    })) << errors.constData();

    QTcpSocket sender;
    sender.connectToHost(QHostAddress::LocalHost, port);
    ASSERT_TRUE(sender.waitForConnected(5000));
    sender.write("<134>Mar 14 09:26:53 gw: over tcp\n12x <134>bad");
    ASSERT_TRUE(test::waitUntil([&] {
        errors += receiver.readAllStandardError();
        return errors.contains("closed a connection from 127.0.0.1 for an octet count");
    })) << errors.constData();
    test::sendSignal(receiver.processId(), SIGTERM);
    ASSERT_TRUE(receiver.waitForFinished(5000));
    errors += receiver.readAllStandardError();
    EXPECT_TRUE(errors.contains("1 messages read = 1 entries stored")) << errors.constData();
    EXPECT_TRUE(errors.contains("1 messages over TCP, 0 over TLS; connections: 0 open, 1 accepted, "
                                "0 refused, 1 closed for a bad frame"))
        << errors.constData();
}

TEST(HeadlessStreams, SighupMovesTcpToANewPort)
{
    QTemporaryDir dir;
    const quint16 port = test::freeUdpPort();
    const quint16 newPort = test::freeUdpPort();
    const QString config = dir.filePath(u"quendal-syslogd.conf"_s);
    const auto configure = [&](quint16 tcp) {
        QFile file(config);
        const QByteArray text = "port = " + QByteArray::number(port) +
                                "\nlisten = 127.0.0.1\ntcp-port = " + QByteArray::number(tcp) +
                                "\nlog-dir = " + dir.path().toUtf8() + '\n';
        return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
    };
    ASSERT_TRUE(configure(port));
    QProcess receiver;
    receiver.start(QStringLiteral(QUENDAL_SYSLOGD_BINARY), {u"--config"_s, config});
    QByteArray errors;
    const auto said = [&](const QByteArray& text) {
        return test::waitUntil([&] {
            errors += receiver.readAllStandardError();
            return errors.contains(text);
        });
    };
    ASSERT_TRUE(said("over TCP on port " + QByteArray::number(port))) << errors.constData();

    ASSERT_TRUE(configure(newPort));
    test::sendSignal(receiver.processId(), SIGHUP);
    ASSERT_TRUE(said("over TCP on port " + QByteArray::number(newPort))) << errors.constData();
    QTcpSocket sender;
    sender.connectToHost(QHostAddress::LocalHost, newPort);
    ASSERT_TRUE(sender.waitForConnected(5000));
    sender.write("<134>Mar 14 09:26:53 gw: moved over tcp\n");
    EXPECT_TRUE(test::waitUntil([&] {
        return test::readFile(dir.filePath(u"FIrWareLog.flg"_s)).contains("moved over tcp");
    }));
    test::sendSignal(receiver.processId(), SIGTERM);
    EXPECT_TRUE(receiver.waitForFinished(5000));
}

} // namespace
} // namespace quendal
