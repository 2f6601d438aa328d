#include "viewer/core/ViewerProtocol.h"

#include "support/TestSupport.h"
#include "viewer/core/ViewerClient.h"
#include "viewer/core/ViewerServer.h"

#include <QLocalSocket>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

namespace quendal {
namespace {

using namespace Qt::StringLiterals;

LogEntry entry(const QByteArray& message, Severity severity = Severity::Notice)
{
    return {"Dec  8 10:00:00", "gw", message, severity, "192.168.1.1"};
}

ViewerBatch decodedBatch(const QByteArray& frame)
{
    auto message = decodeViewerMessage(QByteArrayView(frame).sliced(4));
    EXPECT_TRUE(message && std::holds_alternative<ViewerBatch>(*message));
    return message ? std::get<ViewerBatch>(std::move(*message)) : ViewerBatch{};
}

TEST(ViewerProtocol, BatchTravelsWholeAndLargeOnesAreCutIntoBoundedFrames)
{
    ViewerBatch batch;
    batch.entries = {{LogCategory::Wan, entry("a\tb\n\x01", Severity::Emergency)},
                     {LogCategory::FireWall, entry("c")},
                     {LogCategory::Wan, entry("d")}};
    batch.senders = {u"192.168.1.1"_s, u"::1"_s};
    WanStatus::Snapshot status;
    status.values[2] = "1234";
    status.mode = "PPPoE";
    batch.status = status;
    batch.activity.minutes.push_back({29'000'000, {1, 0, 0, 0, 2}, {0, 0, 0, 0, 1}});
    batch.activity.reports.push_back({u"192.168.1.1"_s, readLinkReport("BBandTxRate=5 ", 7)});
    IntakeCounters counters;
    counters.read = 9;
    counters.notWritten = 2;
    batch.counters = counters;

    const auto frames = encodeViewerBatch(batch);
    ASSERT_EQ(frames.size(), 1u);
    ViewerBatch back = decodedBatch(frames[0]);
    EXPECT_EQ(back.entries, batch.entries);
    EXPECT_EQ(back.senders, batch.senders);
    ASSERT_TRUE(back.status);
    EXPECT_EQ(back.status->values, status.values);
    EXPECT_EQ(back.status->mode, status.mode);
    ASSERT_EQ(back.activity.minutes.size(), 1u);
    EXPECT_EQ(back.activity.minutes[0].entries[4], 2u);
    EXPECT_EQ(back.activity.minutes[0].emergencies[4], 1u);
    ASSERT_EQ(back.activity.reports.size(), 1u);
    EXPECT_EQ(back.activity.reports[0].report.txRate, 5);
    ASSERT_TRUE(back.counters);
    EXPECT_EQ(back.counters->read, 9u);
    EXPECT_EQ(back.counters->notWritten, 2u);

    // The window's form: each category newest first.
    const ReceptionBatch rows = std::move(back).toReceptionBatch();
    ASSERT_EQ(rows.rows[4].size(), 2);
    EXPECT_EQ(rows.rows[4].at(0).message, "d");
    EXPECT_EQ(rows.rows[4].at(1).severity, Severity::Emergency);

    ViewerBatch large;
    for (int i = 0; i < 2000; ++i)
        large.entries.emplace_back(LogCategory::Call,
                                   entry(QByteArray(1500, 'x') + QByteArray::number(i)));
    large.senders = {u"10.0.0.1"_s};
    const auto parts = encodeViewerBatch(large);
    ASSERT_GT(parts.size(), 1u);
    std::vector<std::pair<LogCategory, LogEntry>> joined;
    for (size_t i = 0; i < parts.size(); ++i) {
        EXPECT_LE(parts[i].size() - 4, kMaxViewerFrameBytes);
        ViewerBatch part = decodedBatch(parts[i]);
        // The rest comes with the last part alone.
        EXPECT_EQ(part.senders.isEmpty(), i + 1 < parts.size());
        for (auto& e : part.entries)
            joined.push_back(std::move(e));
    }
    EXPECT_EQ(joined, large.entries);
}

TEST(ViewerProtocol, ReaderCutsFramesAcrossReadsAndRefusesOversizedOnes)
{
    const QByteArray one = encodeMissedEntries({7});
    const QByteArray two = encodeViewerHello({});
    const QByteArray stream = one + two;
    ViewerFrameReader reader;
    reader.append(stream.left(3));
    EXPECT_FALSE(reader.next());
    reader.append(stream.mid(3, one.size()));
    const auto first = reader.next();
    ASSERT_TRUE(first);
    const auto missed = decodeViewerMessage(*first);
    ASSERT_TRUE(missed && std::holds_alternative<MissedEntries>(*missed));
    EXPECT_EQ(std::get<MissedEntries>(*missed).count, 7u);
    EXPECT_FALSE(reader.next());
    reader.append(stream.mid(3 + one.size()));
    EXPECT_TRUE(reader.next());

    QByteArray huge(4, '\0');
    qToBigEndian(quint32(kMaxViewerFrameBytes + 1), huge.data());
    reader.append(huge);
    EXPECT_FALSE(reader.next());
    EXPECT_TRUE(reader.failed());
    reader.append(two);
    EXPECT_FALSE(reader.next());
}

// Damaged frames are refused or read, never crashed on: every byte may come from a peer.
TEST(ViewerProtocol, DamagedBatchFramesAreRefusedOrRead)
{
    ViewerBatch batch;
    for (int i = 0; i < 20; ++i)
        batch.entries.push_back({LogCategory(i % kCategoryCount), entry(QByteArray::number(i))});
    batch.senders = {u"192.168.1.1"_s};
    batch.counters = IntakeCounters{};
    const QByteArray whole = encodeViewerBatch(batch).front().mid(4);
    quint32 seed = 7;
    const auto random = [&seed] {
        return (seed = seed * 1664525u + 1013904223u) >> 8;
    };
    for (int n = 0; n < 100'000; ++n) {
        QByteArray damaged = whole;
        for (quint32 k = 1 + random() % 4; k > 0; --k)
            damaged[random() % damaged.size()] = char(random());
        if (random() % 3 == 0)
            damaged.truncate(random() % damaged.size());
        (void)decodeViewerMessage(damaged);
    }
    const auto message = decodeViewerMessage(whole);
    ASSERT_TRUE(message && std::holds_alternative<ViewerBatch>(*message));
    EXPECT_EQ(std::get<ViewerBatch>(*message).entries.size(), 20u);
}

// A viewer that stops reading holds the service's writes only until the stall limit.
TEST(ViewerServerTest, ViewerThatStopsReadingIsDropped)
{
    QTemporaryDir dir;
    ManualClock clock;
    ViewerLimits limits;
    limits.queueBytes = 64 << 10;
    ViewerServer server({kViewerProtocolVersion, u"test"_s, 514}, clock, limits);
    QString error;
    ASSERT_TRUE(server.listen(dir.filePath(u"v.sock"_s), &error)) << error.toStdString();

    QLocalSocket viewer;
    viewer.setReadBufferSize(1024); // takes nothing more from the socket once this is full
    viewer.connectToServer(server.path());
    ASSERT_TRUE(viewer.waitForConnected(5000));
    viewer.write(encodeViewerHello({}));
    ASSERT_TRUE(test::waitUntil([&] { return viewer.bytesAvailable() > 0; }));

    ReceptionBatch batch;
    for (int i = 0; i < 200; ++i)
        batch.rows[0].prepend(entry(QByteArray(1000, 'x')).view());
    for (int i = 0; i < 20; ++i) {
        server.publish(batch);
        test::processPostedEvents();
    }
    clock.advance(limits.stallMs - 1);
    server.dropStalled();
    EXPECT_EQ(server.viewerCount(), 1);
    clock.advance(1);
    server.dropStalled();
    EXPECT_EQ(server.viewerCount(), 0);
}

// A back-fill deeper than ten thousand entries arrives whole and in the order of storage, across
// categories, followed by what is stored meanwhile; each category keeps only its newest entries
// up to the bound.
TEST(ViewerServerTest, DeepBackFillArrivesWholeAndInOrder)
{
    QTemporaryDir dir;
    ViewerLimits limits;
    limits.entriesPerCategory = 12'000;
    limits.backfillPiece = 4096;
    limits.backfillAheadBytes = qint64(1) << 20;
    ViewerServer server({kViewerProtocolVersion, u"test"_s, 514}, Clock::system(), limits);
    QString error;
    ASSERT_TRUE(server.listen(dir.filePath(u"v.sock"_s), &error)) << error.toStdString();
    constexpr LogCategory kUsed[] = {LogCategory::FireWall, LogCategory::Call, LogCategory::Wan};
    constexpr int kStored = 39'000;
    // Long enough that the back-fill outlasts what the socket buffers hold at once.
    const QByteArray padding(600, '.');
    const auto store = [&](int i) {
        ReceptionBatch batch;
        batch.rows[size_t(categoryIndex(kUsed[i % 3]))].prepend(
            entry(QByteArray::number(i) + padding).view());
        server.publish(batch);
    };
    for (int i = 0; i < kStored; ++i)
        store(i);

    // Entries stored while a back-fill is under way follow it, in order, once each.
    constexpr int kDuring = 100;
    const auto backFill = [&](const ViewerHello& hello, qsizetype expected, int storedDuring) {
        ViewerClient client;
        std::vector<std::pair<LogCategory, LogEntry>> got;
        QObject::connect(&client, &ViewerClient::batchReceived, [&](ViewerBatch* b) {
            got.insert(got.end(), b->entries.begin(), b->entries.end());
            for (; storedDuring > 0; --storedDuring)
                store(kStored + kDuring - storedDuring);
        });
        client.open(server.path(), hello);
        EXPECT_TRUE(test::waitUntil([&] { return qsizetype(got.size()) >= expected; }));
        test::processPostedEvents();
        return got;
    };
    // The newest 30,000 of all: every category still holds its share of them.
    ViewerHello all;
    all.backfill = 30'000;
    auto got = backFill(all, 30'000 + kDuring, kDuring);
    ASSERT_EQ(got.size(), size_t(30'000 + kDuring));
    for (int i = 0; i < 30'000 + kDuring; ++i) {
        const int stored = kStored - 30'000 + i;
        ASSERT_EQ(got[size_t(i)].second.message, QByteArray::number(stored) + padding) << i;
        ASSERT_EQ(got[size_t(i)].first, kUsed[stored % 3]) << i;
    }
    // More than one category holds: its newest 12,000 only.
    ViewerHello wan;
    wan.backfill = 100'000;
    wan.category = LogCategory::Wan;
    got = backFill(wan, 12'000, 0);
    ASSERT_EQ(got.size(), 12'000u);
    constexpr int kNewestWan = kStored + kDuring - 1 - (kStored + kDuring - 1 - 2) % 3;
    EXPECT_EQ(got.front().second.message, QByteArray::number(kNewestWan - 3 * 11'999) + padding);
    EXPECT_EQ(got.back().second.message, QByteArray::number(kNewestWan) + padding);
}

} // namespace
} // namespace quendal
