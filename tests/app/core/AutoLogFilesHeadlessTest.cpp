#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>
#include <gtest/gtest.h>

namespace quendal {
namespace {

using test::freeUdpPort;
using test::LoopbackPeer;
using test::waitUntil;

struct Binary
{
    const char* path;
    QStringList mode;
    QByteArray name; // what its messages start with
};

// Entries that the headless receiver could not write are shown in its summary, not hidden, and
// each binary names itself in the report.
void expectUnwrittenEntriesCounted(const Binary& binary)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("logs"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const quint16 port = freeUdpPort();
    QProcess receiver;
    receiver.start(QString::fromLocal8Bit(binary.path),
                   binary.mode + QStringList{QStringLiteral("--port"), QString::number(port),
                                             QStringLiteral("--log-dir"), folder});
    QByteArray errors;
    ASSERT_TRUE(waitUntil([&] {
        errors += receiver.readAllStandardError();
        return errors.contains("receiving syslog");
    })) << errors.constData();

    LoopbackPeer router;
    router.sendTo(port, "<131>Mar 14 09:26:53 gw: written");
    const QString firewall = folder + QStringLiteral("/FIrWareLog.flg");
    ASSERT_TRUE(waitUntil([&] { return QFileInfo(firewall).size() > 0; }));
    ASSERT_TRUE(QDir(folder).removeRecursively());
    test::settle(std::chrono::milliseconds(300)); // past the check of the file's path
    for (int i = 0; i < 3; ++i)
        router.sendTo(port, "<131>Mar 14 09:26:54 gw: lost");
    ASSERT_TRUE(waitUntil([&] {
        errors += receiver.readAllStandardError();
        return errors.contains("the log folder does not exist");
    })) << errors.constData();
    test::settle();

    test::sendSignal(receiver.processId(), SIGTERM);
    ASSERT_TRUE(receiver.waitForFinished(5000));
    errors += receiver.readAllStandardError();
    EXPECT_TRUE(errors.contains("3 entries could not be written")) << errors.constData();
    EXPECT_TRUE(errors.contains(binary.name + ": cannot write log files in " +
                                QFile::encodeName(folder) + ": the log folder does not exist\n"))
        << errors.constData();
}

TEST(AutoLogFilesHeadless, EntriesThatCouldNotBeWrittenAreCountedInTheSummary)
{
    expectUnwrittenEntriesCounted(
        {QUENDAL_SYSLOG_BINARY, {QStringLiteral("--headless")}, "quendal-syslog"});
    expectUnwrittenEntriesCounted({QUENDAL_SYSLOGD_BINARY, {}, "quendal-syslogd"});
}

} // namespace
} // namespace quendal
