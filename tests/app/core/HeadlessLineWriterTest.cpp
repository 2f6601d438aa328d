// The writer behind standard output, on a real pipe whose reader the test plays.
#include "app/core/LineWriter.h"
#include "support/TestSupport.h"

#include <QElapsedTimer>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace quendal {
namespace {

using test::waitUntil;

QByteArray numberedLine(int i)
{
    return "line " + QByteArray::number(i) + ' ' + QByteArray(90, 'x') + '\n';
}

// Reads what the pipe holds now, without waiting.
QByteArray drain(int fd)
{
    QByteArray all;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            return all;
        all.append(buffer, n);
    }
}

TEST(HeadlessLineWriter, SlowReaderLosesWholeLinesOnlyCountedAndReportedOnceEachWay)
{
    int fds[2];
    ASSERT_EQ(::pipe2(fds, O_CLOEXEC | O_NONBLOCK), 0);
    // The pipe starts full, so the reader is stalled from the first line on. The writer's end
    // blocks, as standard output does; the test's end never waits.
    const QByteArray stale(::fcntl(fds[1], F_GETPIPE_SZ), 's');
    ASSERT_EQ(::write(fds[1], stale.constData(), size_t(stale.size())), stale.size());
    ::fcntl(fds[1], F_SETFL, 0);
    std::vector<QString> reports;
    {
        LineWriter writer(fds[1], 32 * 1024);
        writer.setReporter([&](const QString& text) { reports.push_back(text); });

        // Far more than the pipe (64 KiB) and the queue (32 KiB) hold while nobody reads.
        constexpr int kLines = 5000;
        int accepted = 0;
        for (int i = 0; i < kLines; ++i)
            accepted += writer.write(numberedLine(i)) ? 1 : 0;
        EXPECT_GT(writer.droppedLines(), 0u);
        EXPECT_EQ(writer.droppedLines() + quint64(accepted), quint64(kLines));
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_TRUE(reports[0].contains(QLatin1StringView("not being read fast enough")));

        // The reader catches up: the next line is taken again, and the recovery names the count.
        QByteArray read;
        EXPECT_TRUE(waitUntil([&] {
            read += drain(fds[0]);
            return writer.write(numberedLine(kLines));
        }));
        ASSERT_EQ(reports.size(), 2u);
        EXPECT_TRUE(reports[1].contains(QString::number(writer.droppedLines())));
        writer.finish();
        read += drain(fds[0]);
        ASSERT_TRUE(read.startsWith(stale));
        read.remove(0, stale.size());

        // Every line that came out is whole, in order; the last one is the one after recovery.
        const QList<QByteArray> lines = read.split('\n');
        ASSERT_TRUE(read.endsWith('\n'));
        int previous = -1;
        for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
            const int number = lines[i].mid(5, lines[i].indexOf(' ', 5) - 5).toInt();
            ASSERT_EQ(lines[i] + '\n', numberedLine(number)) << "line " << i;
            ASSERT_GT(number, previous);
            previous = number;
        }
        EXPECT_EQ(previous, kLines);
        EXPECT_EQ(lines.size() - 1, accepted + 1);
    }
    ::close(fds[0]);
    ::close(fds[1]);
}

TEST(HeadlessLineWriter, FinishNeverWaitsLongOnAReaderThatReadsNothing)
{
    int fds[2];
    ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
    auto writer = std::make_unique<LineWriter>(fds[1], 1024 * 1024);
    writer->setReporter([](const QString&) {});
    for (int i = 0; i < 2000; ++i)
        writer->write(numberedLine(i));
    QElapsedTimer timer;
    timer.start();
    writer->finish(std::chrono::milliseconds(200));
    EXPECT_LT(timer.elapsed(), 1000);
    EXPECT_GT(writer->droppedLines(), 0u);
    writer.reset();
    // The thread stays blocked in its write until the read end goes; the write end is left
    // open, so that its number cannot be reused while the thread may still use it.
    ::close(fds[0]);
}

TEST(HeadlessLineWriter, ReaderGoneStopsPrintingWithOneReport)
{
    int fds[2];
    ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
    std::vector<QString> reports;
    LineWriter writer(fds[1]);
    writer.setReporter([&](const QString& text) { reports.push_back(text); });
    ::close(fds[0]);
    // The writer thread blocks signals, so the write fails with EPIPE as in the receiver.
    writer.write("first\n");
    EXPECT_TRUE(waitUntil([&] { return writer.hasStopped() && !reports.empty(); }));
    EXPECT_FALSE(writer.write("second\n"));
    // The watch that reported has stopped; a second report could only come from a write.
    test::processPostedEvents();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_TRUE(reports[0].contains(QLatin1StringView("closed by its reader")));
    ::close(fds[1]);
}

} // namespace
} // namespace quendal
