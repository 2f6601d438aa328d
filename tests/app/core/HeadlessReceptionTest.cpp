#include "receiver/core/ReceptionTestSupport.h"
#include "support/TestSupport.h"

#include <QProcess>
#include <QTemporaryDir>

#include <csignal>
#include <gtest/gtest.h>

namespace quendal {
namespace {

using test::readFile;
using test::waitUntil;

// The headless receiver keeps receiving across SIGHUP, which opens its files afresh, and its
// summary counts the datagrams whose texts were cut.
TEST(HeadlessReception, SighupKeepsItReceivingAndTheSummaryCountsCutDatagrams)
{
    QTemporaryDir dir;
    const quint16 port = test::freeUdpPort();
    QProcess receiver;
    receiver.setWorkingDirectory(dir.path());
    receiver.start(QStringLiteral(QUENDAL_SYSLOG_BINARY),
                   {QStringLiteral("--headless"), QStringLiteral("--port"), QString::number(port),
                    QStringLiteral("--log-dir"), dir.path()});
    QByteArray errors;
    ASSERT_TRUE(waitUntil([&] {
        errors += receiver.readAllStandardError();
        return errors.contains("receiving syslog");
    })) << errors.constData();

    const QString file = dir.filePath(QStringLiteral("FIrWareLog.flg"));
    test::sendAll(port, {test::numbered(1)});
    ASSERT_TRUE(waitUntil([&] { return readFile(file).count('\n') == 3; }));
    test::sendSignal(receiver.processId(), SIGHUP);
    ASSERT_TRUE(test::waitForSignalTaken(receiver.processId(), SIGHUP));
    EXPECT_EQ(receiver.state(), QProcess::Running);
    test::sendAll(port, {"<134>Mar 14 09:26:53 gw: " + QByteArray(3000, 'x')});
    ASSERT_TRUE(waitUntil([&] { return readFile(file).count('\n') == 6; }));

    test::sendSignal(receiver.processId(), SIGTERM);
    ASSERT_TRUE(receiver.waitForFinished(5000));
    EXPECT_EQ(receiver.exitCode(), 0);
    errors += receiver.readAllStandardError();
    EXPECT_TRUE(errors.contains("2 entries stored")) << errors.constData();
    EXPECT_TRUE(errors.contains("1 cut to 1500 bytes")) << errors.constData();
    EXPECT_FALSE(errors.contains("dropped by the system")) << errors.constData();
}

} // namespace
} // namespace quendal
