// The Time line is the only line whose shape carries meaning (brackets mark an emergency): an
// ordinary Time must never read back as an emergency, and an emergency's Time must read back
// whole, brackets of its own included.
#include "logs/core/EntrySplitter.h"
#include "logs/core/LogFileFormat.h"
#include "logs/core/LogFileReader.h"
#include "logs/core/LogFileWriter.h"
#include "logs/core/LogList.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace quendal {
namespace {

LogEntry readBack(const LogEntryView& written)
{
    QByteArray file;
    appendFileEntry(file, written);
    LogRows rows;
    LogFileReader reader;
    const QList<QByteArray> lines = file.split('\n'); // each ends in CR; an empty one follows
    for (qsizetype i = 0; i + 1 < lines.size(); ++i)
        reader.AddLoadedLine(rows, lines[i].chopped(1));
    EXPECT_EQ(rows.size(), 1);
    return rows.isEmpty() ? LogEntry{} : LogEntry::from(rows.at(0));
}

QByteArray timeLine(const LogEntryView& entry)
{
    QByteArray file;
    appendFileEntry(file, entry);
    return file.left(file.indexOf("\r\n"));
}

TEST(LogFileTimeLine, OrdinaryTimeThatLooksBracketedIsWrittenWithABlankForItsBracket)
{
    // The datagram <]|> is priority 142, severity 6; its Time is "[]|".
    const QByteArray datagram = "<]|>[]|";
    const LogEntryView split = splitEntry(datagram, 3, 6);
    ASSERT_EQ(split.time, "[]|");
    EXPECT_EQ(timeLine(split), " ]|");
    EXPECT_EQ(readBack(split), (LogEntry{" ]|", "", ""}));

    const LogEntryView clock{"[Mar 14 09:2]x", "gw", "m"};
    EXPECT_EQ(timeLine(clock), " Mar 14 09:2]x");
    EXPECT_EQ(readBack(clock), (LogEntry{" Mar 14 09:2]x", "gw", "m"}));

    // A line break inside would bring the ']' onto the Time line too.
    EXPECT_EQ(timeLine({"[a\n]", "h", "m"}), " a ]");
    // Only that shape changes: without a ']' or without a leading '[' the Time is kept as is.
    for (const char* kept : {"[Mar 14 09:26:53", "Mar 14 [09]", "]x[", "", "["})
        EXPECT_EQ(timeLine({kept, "h", "m"}), kept) << kept;
    EXPECT_EQ(readBack({"[Mar 14", "h", "m"}), (LogEntry{"[Mar 14", "h", "m"}));
}

TEST(LogFileTimeLine, EmergencyTimeReadsBackUpToTheLastBracket)
{
    for (const char* time : {"Mar 14 09:27:10", "a]b", "[x]", "]", "", "[", "x]]"}) {
        const LogEntryView emergency{time, "gw", "Link down", Severity::Emergency};
        EXPECT_EQ(timeLine(emergency), '[' + QByteArray(time) + ']');
        EXPECT_EQ(readBack(emergency), (LogEntry{time, "gw", "Link down", Severity::Emergency}))
            << time;
    }
}

TEST(LogFileTimeLine, SavedListWithBothKindsOpensAsItWasSaved)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("times.flg"));
    LogList saved;
    saved.prepend({"[Mar 14]ok", "h1", "ordinary"});
    saved.prepend({"Mar 14]09", "h2", "emergency", Severity::Emergency});
    saved.prepend({"[]", "h3", "ordinary"});
    ASSERT_TRUE(SaveList(path, saved.rows()));

    LogList opened;
    LogFileReader reader;
    ASSERT_TRUE(reader.load(path, opened));
    ASSERT_EQ(opened.size(), 3);
    EXPECT_EQ(LogEntry::from(opened.entry(0)), (LogEntry{" ]", "h3", "ordinary"}));
    EXPECT_EQ(LogEntry::from(opened.entry(1)),
              (LogEntry{"Mar 14]09", "h2", "emergency", Severity::Emergency}));
    EXPECT_EQ(LogEntry::from(opened.entry(2)), (LogEntry{" Mar 14]ok", "h1", "ordinary"}));
}

} // namespace
} // namespace quendal
