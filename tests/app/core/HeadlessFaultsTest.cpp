// Faults of the receiver without a window that only show at its edges: a process down to eight
// descriptors, a debug log name that leads elsewhere, a reader of standard output that goes away
// while another thread writes, and entry texts that would reach a terminal as controls.
#include "app/core/HeadlessOutput.h"
#include "app/core/HeadlessProcess.h"
#include "app/core/LineWriter.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace quendal {
namespace {

using test::readFile;
using test::waitUntil;

QStringList receiverArguments(quint16 port, const QString& folder)
{
    return {QStringLiteral("--port"), QString::number(port), QStringLiteral("--log-dir"), folder,
            QStringLiteral("-d")};
}

TEST(HeadlessFaults, FiveFreeDescriptorsStillLeaveSignalsWorking)
{
    QTemporaryDir dir;
    const quint16 port = test::freeUdpPort();
    test::Headless receiver(receiverArguments(port, dir.path()), dir.path(), true, [] {
        // Five descriptors free beyond those the child keeps across exec (the standard three,
        // and whatever a test runner hands down), as `ulimit -n 8` leaves in a plain shell.
        int highest = 2;
        for (int fd = 3; fd < 1024; ++fd) {
            const int flags = ::fcntl(fd, F_GETFD);
            if (flags != -1 && !(flags & FD_CLOEXEC))
                highest = fd;
        }
        int free = 5;
#ifdef QUENDAL_SANITIZED
        // The sanitizers' runtime tests whether memory is readable through a pipe of its own;
        // without two descriptors for it, its type checks fail and end the run. The third is
        // for the log file, which the receiver then has room to open.
        free += 3;
#endif
        const rlim_t limit = rlim_t(highest + 1 + free);
        const rlimit few{limit, limit};
        ::setrlimit(RLIMIT_NOFILE, &few);
    });
    ASSERT_TRUE(receiver.waitUntilReceiving()) << receiver.errors().constData();
    test::LoopbackPeer router;
    router.sendTo(port, "<134>Mar 14 09:26:53 gw: one");
    EXPECT_TRUE(waitUntil([&] { return receiver.output().contains("gw: one"); }));
    test::sendSignal(receiver.pid(), SIGHUP);
    router.sendTo(port, "<134>Mar 14 09:26:53 gw: two");
    EXPECT_TRUE(waitUntil([&] { return receiver.output().contains("gw: two"); }));
    EXPECT_TRUE(receiver.isRunning());
    EXPECT_EQ(receiver.stop(SIGTERM), 0) << receiver.errors().constData();
    EXPECT_TRUE(receiver.errors().contains("stopped: 2 messages read"))
        << receiver.errors().constData();
}

TEST(HeadlessFaults, DebugLogLinkPlantedOrSwappedInIsNeverWrittenThrough)
{
    for (const bool beforeStart : {true, false}) {
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("target"));
        QFile file(target);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("precious\n");
        file.close();
        const QString log = dir.filePath(QStringLiteral("QuenDalSysLog.log"));
        const auto plant = [&] {
            QFile::remove(log);
            ASSERT_EQ(::symlink(QFile::encodeName(target).constData(),
                                QFile::encodeName(log).constData()),
                      0);
        };
        if (beforeStart)
            plant();
        const quint16 port = test::freeUdpPort();
        test::Headless receiver(receiverArguments(port, dir.path()), dir.path(), true);
        ASSERT_TRUE(receiver.waitUntilReceiving()) << receiver.errors().constData();
        if (!beforeStart)
            plant();

        test::LoopbackPeer router;
        router.sendTo(port, "<134>Mar 14 09:26:53 gw: sender text");
        EXPECT_TRUE(waitUntil([&] {
            return readFile(dir.filePath(QStringLiteral("FIrWareLog.flg"))).contains("sender");
        }));
        EXPECT_EQ(receiver.stop(SIGTERM), 0);
        EXPECT_EQ(readFile(target), "precious\n") << "before start: " << beforeStart;
        const QByteArray refusal = "cannot write debug log " + QFile::encodeName(log);
        EXPECT_EQ(receiver.errors().count(refusal), beforeStart ? 1 : 0)
            << receiver.errors().constData();
    }
}

TEST(HeadlessFaults, ReaderGoneWhileAnotherThreadWritesIsReportedOnceWithoutTimerWarnings)
{
    int fds[2];
    ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
    static QStringList warnings;
    warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext&, const QString& text) { warnings.append(text); });
    std::vector<QString> reports;
    {
        LineWriter writer(fds[1]);
        writer.setReporter([&](const QString& text) { reports.push_back(text); });
        ::close(fds[0]);
        // The receiver thread writes the lines; the writer belongs to the main thread.
        std::thread intake([&] {
            while (!writer.hasStopped())
                writer.write("line\n");
            writer.write("line\n");
        });
        intake.join();
        test::settle(std::chrono::milliseconds(300)); // the writer's own watch runs meanwhile
        writer.finish();
    }
    qInstallMessageHandler(previous);
    ::close(fds[1]);
    EXPECT_TRUE(warnings.isEmpty()) << qPrintable(warnings.join(QLatin1Char('\n')));
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_TRUE(reports[0].contains(QLatin1StringView("closed by its reader")));
}

TEST(HeadlessFaults, EntryLinesDropTrailingLineBreaksAndEscapeC1Controls)
{
    QByteArray line;
    appendEntryLine(line, LogCategory::FireWall,
                    {"2026-03-14T09:26:53Z", "gw", "ends in a line feed\n", Severity::Unknown});
    EXPECT_EQ(line, "FireWall\t2026-03-14T09:26:53Z\tgw\tends in a line feed\n");

    // CSI raw (a Latin-1 terminal obeys it) and U+009B in UTF-8; other UTF-8, and a lone
    // Latin-1 letter, stay as they came.
    QByteArray escaped;
    appendEscaped(escaped, "a\x9b"
                           "1m b\xc2\x9b"
                           "1m Stra\xc3\x9f"
                           "e \xe2\x82\xac \xe9t\xc2\xa0");
    EXPECT_EQ(escaped, "a\\x9b1m b\\xc2\\x9b1m Stra\xc3\x9f"
                       "e \xe2\x82\xac \xe9t\xc2\xa0");
    escaped.clear();
    appendEscaped(escaped, "\x85\xc2\x85\xc2\xed\xa0\x80");
    EXPECT_EQ(escaped, "\\x85\\xc2\\x85\xc2\xed\xa0\\x80");
}

} // namespace
} // namespace quendal
