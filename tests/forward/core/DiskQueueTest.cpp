#include "forward/core/DiskQueue.h"

#include "common/core/Clock.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quendal;

namespace {

QByteArray record(int i)
{
    return "<134>Dec  8 14:20:01 router dnsmasq[412]: query " + QByteArray::number(i);
}

class DiskQueueTest : public ::testing::Test
{
protected:
    std::unique_ptr<DiskQueue> open(const DiskQueueOptions& options = {})
    {
        QString error;
        auto queue = DiskQueue::open(folder(), options, clock, &error);
        EXPECT_TRUE(queue) << error.toStdString();
        return queue;
    }
    QString folder() const { return dir.filePath(QStringLiteral("queue")); }
    static void append(DiskQueue& queue, int from, int to)
    {
        for (int i = from; i < to; ++i)
            ASSERT_TRUE(queue.append(record(i))) << queue.lastError().toStdString();
    }
    // Everything still to send, in order.
    static QList<QByteArray> drain(DiskQueue& queue)
    {
        QList<QByteArray> out;
        while (std::optional<QByteArray> next = queue.nextToSend())
            out.append(*next);
        return out;
    }
    static QList<QByteArray> records(int from, int to)
    {
        QList<QByteArray> out;
        for (int i = from; i < to; ++i)
            out.append(record(i));
        return out;
    }
    static void expectBalanced(const DiskQueue& queue, quint64 atOpen = 0)
    {
        const DiskQueueCounters& c = queue.counters();
        EXPECT_EQ(atOpen + c.appended, c.acknowledged + c.entries + c.droppedFull);
    }

    QTemporaryDir dir;
    ManualClock clock;
};

TEST_F(DiskQueueTest, HandsOutInOrderAndAgainFromTheOldestUnacknowledged)
{
    auto queue = open();
    append(*queue, 0, 5);
    EXPECT_EQ(*queue->nextToSend(), record(0));
    EXPECT_EQ(*queue->nextToSend(), record(1));
    EXPECT_EQ(*queue->nextToSend(), record(2));
    queue->acknowledge(2);
    queue->rewind();
    EXPECT_EQ(drain(*queue), records(2, 5));
    queue->acknowledge(1);
    EXPECT_EQ(queue->counters().entries, 2u);
    EXPECT_EQ(queue->counters().acknowledged, 3u);
    expectBalanced(*queue);

    // Gone without a sync, as after kill -9: every unacknowledged record comes again, and the
    // acknowledged ones at most once more.
    queue.reset();
    queue = open();
    QList<QByteArray> again = drain(*queue);
    ASSERT_GE(again.size(), 2);
    EXPECT_EQ(again.mid(again.size() - 2), records(3, 5));

    // Synced: exactly the unacknowledged ones.
    queue->acknowledge(quint64(again.size()) - 2);
    queue->sync();
    queue.reset();
    queue = open();
    EXPECT_EQ(drain(*queue), records(3, 5));
    append(*queue, 5, 6);
    EXPECT_EQ(drain(*queue), records(5, 6));
}

TEST_F(DiskQueueTest, DeliveredSegmentsAreRemovedAndTheSizeBoundDropsTheOldestCounted)
{
    DiskQueueOptions options;
    options.maxBytes = 64 * 1024; // segments of 8 KiB
    auto queue = open(options);
    append(*queue, 0, 300);
    EXPECT_EQ(drain(*queue).size(), 300);
    queue->acknowledge(300);
    EXPECT_LE(QDir(folder()).entryList({QStringLiteral("*.qseg")}).size(), 1);

    // Overfilled while some records are out on the wire: those dropped are counted once.
    append(*queue, 300, 400);
    for (int i = 0; i < 50; ++i)
        queue->nextToSend();
    append(*queue, 400, 3000);
    const DiskQueueCounters& c = queue->counters();
    EXPECT_GT(c.droppedFull, 0u);
    EXPECT_LE(c.bytes, quint64(options.maxBytes));
    // Those 50 were dropped: acknowledging them delivers none of the records handed out since.
    const std::optional<QByteArray> first = queue->nextToSend();
    queue->acknowledge(50);
    EXPECT_EQ(c.acknowledged, 300u);
    queue->acknowledge(1);
    EXPECT_EQ(c.acknowledged, 301u);
    expectBalanced(*queue);
    const QList<QByteArray> rest = drain(*queue);
    queue->acknowledge(quint64(rest.size()));
    EXPECT_EQ(c.entries, 0u);
    expectBalanced(*queue);
    // What is left is the newest records, in order.
    ASSERT_TRUE(first);
    EXPECT_EQ(QList<QByteArray>({*first}) + rest, records(2999 - int(rest.size()), 3000));
}

TEST_F(DiskQueueTest, ATornOrDamagedRecordIsSkippedCountedAndCutOff)
{
    auto queue = open();
    append(*queue, 0, 3);
    queue->sync();
    queue.reset();
    const QString segment = folder() + QStringLiteral("/0000000001.qseg");
    QFile file(segment);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray whole = file.readAll();
    file.close();
    const qsizetype lastRecord = 12 + record(2).size();
    const qsizetype firstTwo = whole.size() - lastRecord;

    const auto reopenWith = [&](const QByteArray& bytes) {
        QDir(folder()).removeRecursively();
        QDir().mkpath(folder());
        QFile cut(segment);
        EXPECT_TRUE(cut.open(QIODevice::WriteOnly));
        cut.write(bytes);
        cut.close();
        return open();
    };
    for (qsizetype length = firstTwo + 1; length < whole.size(); ++length) {
        SCOPED_TRACE(length);
        queue = reopenWith(whole.first(length));
        EXPECT_EQ(queue->counters().tornSkipped, 1u);
        EXPECT_EQ(queue->counters().entries, 2u);
        // Shorter than the remains: they must have been cut off.
        ASSERT_TRUE(queue->append("x"));
        queue.reset();
        queue = open();
        EXPECT_EQ(queue->counters().tornSkipped, 0u);
        EXPECT_EQ(drain(*queue), records(0, 2) + QList<QByteArray>({"x"}));
    }

    // Acknowledged up to the end, then cut shorter by a power cut: what comes next is not
    // taken for delivered at the next open.
    queue = reopenWith(whole);
    EXPECT_EQ(drain(*queue).size(), 3);
    queue->acknowledge(3);
    queue->sync();
    queue.reset();
    ASSERT_TRUE(QFile::resize(segment, firstTwo));
    queue = open();
    EXPECT_EQ(queue->counters().entries, 0u);
    append(*queue, 3, 4);
    queue.reset();
    queue = open();
    EXPECT_EQ(drain(*queue), records(3, 4));

    // A bit turned in the middle one: the records around it still come.
    QByteArray damaged = whole;
    damaged[firstTwo - 5] = char(damaged[firstTwo - 5] ^ 0x20);
    queue = reopenWith(damaged);
    EXPECT_EQ(queue->counters().tornSkipped, 1u);
    EXPECT_EQ(drain(*queue), QList<QByteArray>({record(0), record(2)}));
}

TEST_F(DiskQueueTest, NoSymbolicLinkIsFollowed)
{
    const QString real = dir.filePath(QStringLiteral("real"));
    ASSERT_TRUE(QDir().mkpath(real));
    ASSERT_TRUE(QFile::link(real, folder()));
    QString error;
    EXPECT_FALSE(DiskQueue::open(folder(), {}, clock, &error));
    EXPECT_FALSE(error.isEmpty());

    ASSERT_TRUE(QFile::remove(folder()));
    ASSERT_TRUE(QDir().mkpath(folder()));
    const QString target = dir.filePath(QStringLiteral("elsewhere"));
    ASSERT_TRUE(QFile::link(target, folder() + QStringLiteral("/0000000001.qseg")));
    EXPECT_FALSE(DiskQueue::open(folder(), {}, clock, &error));
    EXPECT_FALSE(QFile::exists(target));
}

TEST_F(DiskQueueTest, KilledWriterLosesNothingAppended)
{
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        QString error;
        auto queue = DiskQueue::open(folder(), {}, clock, &error);
        bool ok = bool(queue);
        for (int i = 0; ok && i < 1000; ++i)
            ok = queue->append(record(i));
        const char done = ok ? 'y' : 'n';
        [[maybe_unused]] const ssize_t n = ::write(ready[1], &done, 1);
        for (;;)
            ::pause();
    }
    ::close(ready[1]);
    // The child's answer, with a deadline in case it hangs.
    char done = 0;
    pollfd answer{ready[0], POLLIN, 0};
    if (::poll(&answer, 1, 10'000) == 1) {
        EXPECT_EQ(::read(ready[0], &done, 1), 1);
    }
    ::close(ready[0]);
    EXPECT_TRUE(test::sendSignal(child, SIGKILL));
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_EQ(done, 'y');
    auto queue = open();
    EXPECT_EQ(queue->counters().tornSkipped, 0u);
    EXPECT_EQ(drain(*queue), records(0, 1000));
    // One process at a time.
    QString error;
    EXPECT_FALSE(DiskQueue::open(folder(), {}, clock, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("in use"))) << error.toStdString();
}

TEST_F(DiskQueueTest, AFullDiskLeavesWholeRecordsAndIsReported)
{
    ASSERT_TRUE(QDir().mkpath(folder()));
    const QByteArray target = QFile::encodeName(folder());
    if (::mount("tmpfs", target.constData(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "no small volume: " << std::strerror(errno);
    int appended = 0;
    {
        auto queue = open();
        while (queue->append(record(appended)))
            ++appended;
        EXPECT_FALSE(queue->lastError().isEmpty());
        EXPECT_EQ(queue->counters().entries, quint64(appended));
        queue->sync();
    }
    auto queue = open();
    EXPECT_EQ(queue->counters().tornSkipped, 0u);
    EXPECT_EQ(drain(*queue), records(0, appended));
    queue.reset();
    ::umount2(target.constData(), MNT_DETACH);
}

} // namespace
