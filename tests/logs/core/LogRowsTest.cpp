#include "logs/core/LogRows.h"

#include "logs/core/LogList.h"

#include <QAbstractItemModelTester> // its "qt.modeltest" warnings fail the test (TestSupport)
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace quendal {
namespace {

LogEntry entry(const char* message, Severity severity = Severity::Unknown)
{
    return {"Mar 14 09:26:53", "gw", message, severity};
}

std::vector<QByteArray> messages(const LogRows& rows)
{
    std::vector<QByteArray> out;
    for (qsizetype r = 0; r < rows.size(); ++r)
        out.push_back(rows.at(r).message.toByteArray());
    return out;
}

using Messages = std::vector<QByteArray>;

TEST(LogRows, NewestEntryIsRowZeroAndInsertsLandWhereAsked)
{
    LogRows rows;
    for (const char* m : {"A", "B", "C", "D", "E"})
        rows.prepend(entry(m).view());
    EXPECT_EQ(messages(rows), (Messages{"E", "D", "C", "B", "A"}));

    rows.insert(0, entry("top").view());
    rows.insert(rows.size(), entry("bottom").view());
    rows.insert(2, entry("third").view());
    EXPECT_EQ(messages(rows), (Messages{"top", "E", "third", "D", "C", "B", "A", "bottom"}));

    rows.remove(0);
    rows.remove(rows.size() - 1);
    rows.remove(1);
    EXPECT_EQ(messages(rows), (Messages{"E", "D", "C", "B", "A"}));

    rows.insert(rows.size(), entry("oldest").view());
    EXPECT_EQ(rows.at(rows.size() - 1).message, "oldest");
}

TEST(LogRows, KeepsTextsAsBytesWhateverTheirLength)
{
    LogRows rows;
    const QByteArray longMessage(3 << 20, 'x'); // beyond any text chunk
    const QByteArray binary("a\0b\xff\r\n", 6);
    rows.prepend(LogEntryView{"", "", ""});
    rows.prepend(LogEntryView{"t", binary, longMessage, Severity::Emergency});
    rows.prepend(entry("after the long one").view());

    EXPECT_EQ(rows.at(1).host, binary);
    EXPECT_EQ(rows.at(1).message, longMessage);
    EXPECT_TRUE(rows.at(1).isEmergency());
    EXPECT_EQ(rows.at(0).message, "after the long one");
    EXPECT_TRUE(rows.at(2).time.isEmpty());
    EXPECT_TRUE(rows.at(2).message.isEmpty());
}

TEST(LogRows, CellColoursAreKeptPerColumnAndOutOfTableIndicesCollapse)
{
    LogRows rows;
    rows.insert(0, entry("x").view(), RED);
    for (int column = 0; column < 3; ++column)
        EXPECT_EQ(rows.textColour(0, column), RED);

    rows.setTextColour(0, 2, BLUE);
    EXPECT_EQ(rows.textColour(0, 0), RED);
    EXPECT_EQ(rows.textColour(0, 2), BLUE);

    rows.setTextColour(0, 1, 99);
    rows.insert(0, entry("y").view(), -5);
    EXPECT_EQ(rows.textColour(1, 1), LogRows::kOutOfTableIndex);
    EXPECT_EQ(rows.textColour(0, 0), LogRows::kOutOfTableIndex);
}

TEST(LogRows, BatchGoesOnTopInItsOwnOrderAndClearFreesEverything)
{
    LogRows rows;
    rows.prepend(entry("old").view());
    LogRows batch;
    batch.prepend(entry("b1").view());
    batch.prepend(entry("b2").view());
    rows.prependAll(std::move(batch));
    EXPECT_EQ(messages(rows), (Messages{"b2", "b1", "old"}));
    EXPECT_TRUE(batch.isEmpty());

    rows.clear();
    EXPECT_TRUE(rows.isEmpty());
    EXPECT_EQ(rows.textBytesReserved(), 0u);
    rows.prepend(entry("again").view());
    EXPECT_EQ(messages(rows), (Messages{"again"}));
}

TEST(LogList, ModelStaysConsistentThroughEveryChange)
{
    LogList list;
    QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::Warning);
    QSignalSpy inserted(&list, &QAbstractItemModel::rowsInserted);

    list.prepend(entry("A").view());
    list.prepend(entry("B", Severity::Emergency).view());
    ASSERT_EQ(inserted.size(), 2);
    EXPECT_EQ(inserted.at(1).at(1).toInt(), 0); // always at the top
    EXPECT_EQ(list.insert(99, entry("bottom").view()), 2);
    EXPECT_EQ(list.insert(-1, entry("bottom2").view()), 3);
    EXPECT_TRUE(list.remove(3));
    EXPECT_FALSE(list.remove(3));
    EXPECT_TRUE(list.setTextColour(0, 2, GREEN));
    EXPECT_FALSE(list.setTextColour(0, 3, GREEN));

    LogRows batch;
    batch.prepend(entry("loaded").view());
    list.prependAll(std::move(batch));
    EXPECT_EQ(list.rowCount(), 4);
    EXPECT_EQ(list.data(list.index(0, LogList::MessageColumn)).toString(),
              QStringLiteral("loaded"));
    EXPECT_EQ(list.data(list.index(1, LogList::MessageColumn)).toString(), QStringLiteral("B"));
    EXPECT_EQ(list.data(list.index(1, LogList::TimeColumn), LogList::SeverityRole).toInt(),
              int(Severity::Emergency));
    EXPECT_EQ(list.data(list.index(1, LogList::MessageColumn), LogList::ColourIndexRole).toInt(),
              GREEN);

    list.clear();
    EXPECT_EQ(list.rowCount(), 0);
}

TEST(LogList, ShowsBytesDecodedButHandsOutTheBytesUnchanged)
{
    LogList list;
    list.prepend(LogEntryView{"t", "h\xc3\xa9", "caf\xe9"});
    EXPECT_EQ(list.data(list.index(0, LogList::HostColumn)).toString(), QStringLiteral("h\u00e9"));
    EXPECT_EQ(list.data(list.index(0, LogList::MessageColumn)).toString(),
              QStringLiteral("caf\u00e9"));
    EXPECT_EQ(list.data(list.index(0, LogList::MessageColumn), LogList::BytesRole).toByteArray(),
              QByteArray("caf\xe9"));
}

} // namespace
} // namespace quendal
