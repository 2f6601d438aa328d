// Each row keeps its severity and sender in its 24-byte record; files keep only "emergency or
// not", and rows read back say so.
#include "logs/core/LogFileReader.h"
#include "logs/core/LogFileWriter.h"
#include "logs/core/LogList.h"
#include "logs/core/LogRows.h"
#include "logs/core/TimeDisplay.h"
#include "support/TestSupport.h"

#include <QDateTime>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace quendal;
using namespace quendal::test;

namespace {

LogEntryView entry(const char* message, Severity severity, const char* sender)
{
    return {"Mar 14 09:26:53", "gw", message, severity, sender};
}

} // namespace

TEST(RowSeverityAndSender, RowsKeepThemThroughBatchesAndLeaveNoSenderBehind)
{
    LogRows rows(4);
    rows.prepend(entry("a", Severity::Warning, "192.0.2.1"));
    rows.prepend(entry("b", Severity::Emergency, "192.0.2.2"));
    rows.prepend(entry("c", Severity::Debug, "192.0.2.1"));
    EXPECT_EQ(rows.senderCount(), 2u);
    EXPECT_EQ(rows.at(2).severity, Severity::Warning);
    EXPECT_EQ(rows.at(1).sender, "192.0.2.2");
    EXPECT_TRUE(rows.at(1).isEmergency());
    EXPECT_EQ(rows.at(0).sender, "192.0.2.1");

    // A batch brings senders of its own, small (texts copied) or large (chunks adopted).
    for (const qsizetype padding : {qsizetype(10), qsizetype(300) << 10}) {
        LogRows batch;
        const QByteArray message(padding, 'm');
        batch.prepend({"t", "h", message, Severity::Notice, "2001:db8::1"});
        batch.prepend({"t", "h", message, Severity::Alert, "192.0.2.1"});
        batch.setTextColour(0, 1, BLUE);
        rows.prependAll(std::move(batch));
        EXPECT_EQ(rows.at(0).sender, "192.0.2.1");
        EXPECT_EQ(rows.at(0).severity, Severity::Alert);
        EXPECT_EQ(rows.at(1).sender, "2001:db8::1");
        EXPECT_EQ(rows.at(1).severity, Severity::Notice);
        EXPECT_EQ(rows.textColour(0, 1), BLUE);
        EXPECT_EQ(rows.textColour(0, 0), DEF_TEXT);
    }
    // Only four rows stay; senders nobody names any more are gone from the table.
    ASSERT_EQ(rows.size(), 4);
    EXPECT_EQ(rows.senderCount(), 2u);
    rows.removeOldest(4);
    EXPECT_EQ(rows.senderCount(), 0u);
    // An empty row can still take a colour of its own for one cell.
    rows.prepend({"", "", "", Severity::Unknown, ""});
    rows.setTextColour(0, 2, GREEN);
    EXPECT_EQ(rows.textColour(0, 2), GREEN);
    EXPECT_EQ(rows.textColour(0, 1), DEF_TEXT);
    EXPECT_EQ(rows.at(0).severity, Severity::Unknown);
    EXPECT_TRUE(rows.at(0).sender.isEmpty());
}

TEST(RowSeverityAndSender, TheModelSaysThemAndRowsReadBackKeepOnlyAnEmergency)
{
    LogList list;
    list.prepend(entry("ordinary", Severity::Warning, "192.0.2.9"));
    list.prepend(entry("emergency", Severity::Emergency, "192.0.2.9"));
    EXPECT_EQ(list.columnCount(), LogList::kColumnCount);
    EXPECT_EQ(list.data(list.index(1, LogList::SeverityColumn), LogList::SeverityRole).toInt(),
              int(Severity::Warning));
    EXPECT_EQ(list.data(list.index(1, LogList::SenderColumn)).toString(),
              QStringLiteral("192.0.2.9"));
    EXPECT_EQ(list.data(list.index(0, LogList::SenderColumn), LogList::BytesRole).toByteArray(),
              "192.0.2.9");

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("saved.flg"));
    ASSERT_TRUE(SaveList(path, list.rows()));
    EXPECT_EQ(readFile(path), "Mar 14 09:26:53\r\ngw\r\nordinary\r\n"
                              "[Mar 14 09:26:53]\r\ngw\r\nemergency\r\n");
    LogList back;
    LogFileReader reader;
    ASSERT_TRUE(reader.load(path, back));
    ASSERT_EQ(back.size(), 2);
    EXPECT_EQ(LogEntry::from(back.entry(0)),
              (LogEntry{"Mar 14 09:26:53", "gw", "emergency", Severity::Emergency}));
    EXPECT_EQ(LogEntry::from(back.entry(1)),
              (LogEntry{"Mar 14 09:26:53", "gw", "ordinary", Severity::Unknown}));
}

TEST(RowSeverityAndSender, AnRfc3339TimeShowsInACompactLocalForm)
{
    const QByteArray stamp = "2026-12-08T09:39:51.5+01:00";
    const QString local = QDateTime(QDate(2026, 12, 8), QTime(8, 39, 51), Qt::UTC)
                              .toLocalTime()
                              .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    EXPECT_EQ(compactRfc3339Time(stamp), local);
    EXPECT_EQ(compactRfc3339Time("2026-12-08t08:39:51z"), local);
    for (const char* other : {"Mar 14 09:26:53", "2026-12-08T09:39:51", "2026-12-08T09:3",
                              "2026-12-08 09:39:51Z", "2026-13-08T09:39:51Z"})
        EXPECT_TRUE(compactRfc3339Time(other).isNull()) << other;

    LogList list;
    list.prepend({stamp, "vm", "m"});
    EXPECT_EQ(list.data(list.index(0, LogList::TimeColumn)).toString(), local);
    EXPECT_EQ(list.data(list.index(0, LogList::TimeColumn), Qt::ToolTipRole).toString(),
              QString::fromLatin1(stamp));
}
