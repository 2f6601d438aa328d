#include "logs/core/LogFileReader.h"
#include "logs/core/LogList.h"
#include "logs/core/LogRows.h"
#include "logs/core/TextArena.h"

#include <QAbstractItemModelTester> // its "qt.modeltest" warnings fail the test (TestSupport)
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <algorithm>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

namespace quendal {
namespace {

using Messages = std::vector<QByteArray>;

LogEntry numbered(qint64 i, int padding = 0)
{
    return {"Dec  7 06:07:01", "gateway",
            "entry " + QByteArray::number(i) + QByteArray(padding, 'x')};
}

Messages messages(const LogRows& rows)
{
    Messages out;
    for (qsizetype r = 0; r < rows.size(); ++r)
        out.push_back(rows.at(r).message.toByteArray());
    return out;
}

Messages expected(std::initializer_list<int> numbers)
{
    Messages out;
    for (int n : numbers)
        out.push_back("entry " + QByteArray::number(n));
    return out;
}

TEST(BoundedRows, PrependKeepsTheNewestRowsAndCountsThoseThatLeft)
{
    LogRows rows(3);
    for (int i = 1; i <= 5; ++i)
        rows.prepend(numbered(i).view());
    EXPECT_EQ(messages(rows), expected({5, 4, 3}));
    EXPECT_TRUE(rows.isFull());
    EXPECT_EQ(rows.rowsPushedOut(), 2);

    rows.setMaxRows(2);
    EXPECT_EQ(messages(rows), expected({5, 4}));
    EXPECT_EQ(rows.rowsPushedOut(), 3);
    rows.setMaxRows(0); // at least one row
    EXPECT_EQ(rows.maxRows(), 1);
    EXPECT_EQ(messages(rows), expected({5}));

    rows.clear();
    EXPECT_EQ(rows.rowsPushedOut(), 0);
    EXPECT_EQ(rows.maxRows(), 1);
}

TEST(BoundedRows, InsertWhenFullTakesTheBottomRowOut)
{
    LogRows rows(4);
    for (int i = 1; i <= 4; ++i)
        rows.prepend(numbered(i).view());
    rows.insert(2, numbered(10).view()); // 1 leaves
    EXPECT_EQ(messages(rows), expected({4, 3, 10, 2}));
    rows.insert(rows.size(), numbered(11).view()); // meant for the bottom: replaces 2
    EXPECT_EQ(messages(rows), expected({4, 3, 10, 11}));
    rows.insert(0, numbered(12).view());
    EXPECT_EQ(messages(rows), expected({12, 4, 3, 10}));
    rows.remove(1);
    rows.insert(99, numbered(13).view()); // room again: nothing leaves
    EXPECT_EQ(messages(rows), expected({12, 3, 10, 13}));
    EXPECT_EQ(rows.rowsPushedOut(), 3);
}

TEST(BoundedRows, ABatchLargerThanTheBoundKeepsItsNewestRows)
{
    LogRows rows(4);
    rows.prepend(numbered(1).view());
    rows.prepend(numbered(2).view());

    LogRows small;
    small.prepend(numbered(3).view());
    small.prepend(numbered(4).view());
    small.prepend(numbered(5).view());
    rows.prependAll(std::move(small));
    EXPECT_EQ(messages(rows), expected({5, 4, 3, 2}));

    LogRows large;
    for (int i = 6; i <= 12; ++i)
        large.prepend(numbered(i).view());
    large.insert(3, numbered(99).view()); // a row with its own text among them
    rows.prependAll(std::move(large));
    EXPECT_EQ(messages(rows), expected({12, 11, 10, 99}));
    EXPECT_TRUE(large.isEmpty());
    EXPECT_EQ(large.textBytesReserved(), 0u);

    // The rows taken over stay readable after the batch is gone and more arrive.
    rows.prepend(numbered(13).view());
    EXPECT_EQ(messages(rows), expected({13, 12, 11, 10}));
}

// Row texts of a full list come from a fixed set of chunks: as many bytes are freed as arrive.
TEST(BoundedRows, TextMemoryStopsGrowingOnceTheListIsFull)
{
    constexpr qsizetype kBound = 2000;
    LogRows rows(kBound);
    const auto add = [&rows](qint64 i) {
        // Texts of varying length, now and then one too long for a shared chunk.
        const int padding = i % 997 == 0 ? 300'000 : int(i % 200);
        if (i % 13 == 0)
            rows.insert(rows.size() / 2, numbered(i, padding).view());
        else
            rows.prepend(numbered(i, padding).view());
    };

    qint64 i = 0;
    // Long enough for the chunk size to reach its largest and the first chunks to be freed.
    for (; i < 20 * kBound; ++i)
        add(i);
    std::size_t highest = 0;
    for (; i < 40 * kBound; ++i) {
        add(i);
        highest = std::max(highest, rows.textBytesReserved());
    }
    ASSERT_EQ(rows.size(), kBound);
    for (; i < 200 * kBound; ++i) {
        add(i);
        // Rows differ in length, so the bytes in use wander a little; they do not grow.
        ASSERT_LE(rows.textBytesReserved(), highest + highest / 4) << "after " << i << " rows";
    }
    // A few chunks at most, not the 400,000 rows that went through.
    EXPECT_LT(highest, std::size_t(4) << 20);

    rows.clear();
    EXPECT_EQ(rows.textBytesReserved(), 0u);
}

// A receiver hands its entries over in small batches: they must cost their text, not the
// mostly empty first chunks of one arena per batch.
TEST(BoundedRows, ManySmallBatchesCostAboutTheirTextBytes)
{
    LogRows rows;
    std::size_t textBytes = 0;
    qint64 i = 0;
    for (int b = 0; b < 1000; ++b) {
        LogRows batch;
        for (int e = 0; e < 64; ++e, ++i) {
            const LogEntry entry = numbered(i, 80);
            textBytes += std::size_t(entry.time.size() + entry.host.size() + entry.message.size());
            batch.prepend(entry.view());
        }
        batch.setTextColour(0, 1, RED);
        rows.prependAll(std::move(batch));
    }
    EXPECT_EQ(rows.at(0).message, numbered(i - 1, 80).message);
    EXPECT_EQ(rows.textColour(0, 1), RED);
    EXPECT_EQ(rows.textColour(0, 0), DEF_TEXT);
    EXPECT_EQ(rows.at(rows.size() - 1).message, numbered(0, 80).message);
    EXPECT_LT(rows.textBytesReserved(), textBytes + textBytes / 4 + (std::size_t(1) << 20));
}

TEST(TextArena, AChunkIsFreedWhenItsLastTextIsReleasedInWhateverOrder)
{
    TextArena arena;
    std::vector<char*> texts;
    // 4 KiB, 8 KiB and 16 KiB chunks, one text of 1000 bytes after another.
    for (int i = 0; i < 28; ++i)
        texts.push_back(arena.allocate(1000));
    EXPECT_EQ(arena.chunkCount(), 3u);
    const std::size_t allThree = arena.bytesReserved();

    arena.release(texts[1]);
    arena.release(texts[0]);
    arena.release(texts[3]);
    EXPECT_EQ(arena.chunkCount(), 3u); // texts[2] still lives in the first chunk
    arena.release(texts[2]);
    EXPECT_EQ(arena.chunkCount(), 2u);
    EXPECT_EQ(arena.bytesReserved(), allThree - 4096);

    for (std::size_t t = 4; t < texts.size(); ++t)
        arena.release(texts[t]);
    // The chunk texts are cut from stays for the next ones.
    EXPECT_EQ(arena.chunkCount(), 1u);
    char* again = arena.allocate(10);
    EXPECT_NE(again, nullptr);
    EXPECT_EQ(arena.chunkCount(), 1u);

    char* own = arena.allocate(1 << 20); // a long text has a chunk of its own
    EXPECT_EQ(arena.chunkCount(), 2u);
    arena.release(own);
    EXPECT_EQ(arena.chunkCount(), 1u);
}

TEST(BoundedList, ViewsSeeTheBottomRowRemovedBeforeEachNewRowOnTop)
{
    LogList list;
    EXPECT_EQ(list.maxRows(), kDefaultMaxRowsPerList);
    list.setMaxRows(3);
    QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::Warning);
    for (int i = 1; i <= 3; ++i)
        list.prepend(numbered(i).view());

    QSignalSpy removed(&list, &QAbstractItemModel::rowsRemoved);
    QSignalSpy inserted(&list, &QAbstractItemModel::rowsInserted);
    QStringList order;
    QObject::connect(&list, &QAbstractItemModel::rowsRemoved,
                     [&] { order << QStringLiteral("removed"); });
    QObject::connect(&list, &QAbstractItemModel::rowsInserted,
                     [&] { order << QStringLiteral("inserted"); });

    list.prepend(numbered(4).view());
    ASSERT_EQ(removed.size(), 1);
    EXPECT_EQ(removed.at(0).at(1).toInt(), 2);
    EXPECT_EQ(removed.at(0).at(2).toInt(), 2);
    ASSERT_EQ(inserted.size(), 1);
    EXPECT_EQ(inserted.at(0).at(1).toInt(), 0);
    EXPECT_EQ(order, QStringList({QStringLiteral("removed"), QStringLiteral("inserted")}));
    EXPECT_EQ(messages(list.rows()), expected({4, 3, 2}));

    EXPECT_EQ(list.insert(1, numbered(5).view()), 1);
    EXPECT_EQ(list.insert(-1, numbered(6).view()), 2); // the bottom, after 2 left
    EXPECT_EQ(messages(list.rows()), expected({4, 5, 6}));

    removed.clear();
    inserted.clear();
    LogRows batch;
    for (int i = 7; i <= 11; ++i)
        batch.prepend(numbered(i).view());
    list.prependAll(std::move(batch));
    ASSERT_EQ(removed.size(), 1);
    EXPECT_EQ(removed.at(0).at(1).toInt(), 0);
    EXPECT_EQ(removed.at(0).at(2).toInt(), 2);
    ASSERT_EQ(inserted.size(), 1);
    EXPECT_EQ(inserted.at(0).at(2).toInt(), 2);
    EXPECT_EQ(messages(list.rows()), expected({11, 10, 9}));

    LogRows two;
    two.prepend(numbered(12).view());
    two.prepend(numbered(13).view());
    list.prependAll(std::move(two));
    EXPECT_EQ(messages(list.rows()), expected({13, 12, 11}));

    removed.clear();
    list.setMaxRows(1);
    ASSERT_EQ(removed.size(), 1);
    EXPECT_EQ(removed.at(0).at(1).toInt(), 1);
    EXPECT_EQ(removed.at(0).at(2).toInt(), 2);
    EXPECT_EQ(messages(list.rows()), expected({13}));
    list.setMaxRows(5);
    EXPECT_EQ(list.rowCount(), 1);
}

// The model checks of these tests must be able to fail: a model that announces one new row but
// gains two is reported as a test failure, not just printed.
class MiscountingModel : public QAbstractListModel
{
public:
    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : rows_;
    }
    QVariant data(const QModelIndex&, int) const override { return {}; }
    void addTwoAnnouncingOne()
    {
        beginInsertRows({}, rows_, rows_);
        rows_ += 2;
        endInsertRows();
    }

private:
    int rows_ = 0;
};

TEST(ModelCheck, AComplaintOfTheModelTesterFailsTheTest)
{
    MiscountingModel model;
    QAbstractItemModelTester tester(&model,
                                    QAbstractItemModelTester::FailureReportingMode::Warning);
    EXPECT_NONFATAL_FAILURE(model.addTwoAnnouncingOne(), "QAbstractItemModelTester");
}

class BoundedOpen : public ::testing::Test
{
protected:
    // A log file of `count` entries, "entry 0" first (the oldest).
    QString writeLog(qint64 count)
    {
        const QString path = dir.filePath(QStringLiteral("long.flg"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        QByteArray bytes;
        for (qint64 i = 0; i < count; ++i) {
            const LogEntry e = numbered(i);
            bytes += (i % 5 == 0 ? "[" + e.time + "]" : e.time) + "\r\n" + e.host + "\r\n" +
                     e.message + "\r\n";
        }
        file.write(bytes);
        return path;
    }

    QTemporaryDir dir;
    LogFileReader reader;
};

TEST_F(BoundedOpen, AFileLongerThanTheListFillsItWithItsNewestEntries)
{
    LogList list;
    list.setMaxRows(1000);
    list.prepend(numbered(-1).view());
    const QString path = writeLog(25'000);
    qsizetype inFile = 0;
    ASSERT_TRUE(reader.load(path, list, nullptr, &inFile));
    EXPECT_EQ(inFile, 25'000);
    ASSERT_EQ(list.size(), 1000);
    EXPECT_EQ(list.entry(0).message, "entry 24999");
    EXPECT_EQ(list.entry(999).message, "entry 24000");
    EXPECT_TRUE(list.entry(999).isEmergency()); // 24000 is a multiple of five
    EXPECT_FALSE(list.entry(998).isEmergency());
    // While reading, the batch held no more than the list may: a few chunks of text at most.
    EXPECT_LT(list.rows().textBytesReserved(), std::size_t(2) << 20);

    const QString shorter = writeLog(10);
    ASSERT_TRUE(reader.load(shorter, list, nullptr, &inFile));
    EXPECT_EQ(inFile, 10);
    EXPECT_EQ(list.size(), 10);
}

} // namespace
} // namespace quendal
