#include "logs/core/AutoLogFiles.h"
#include "logs/core/LogFileFormat.h"
#include "logs/core/LogFileReader.h"
#include "logs/core/LogFileWriter.h"
#include "logs/core/LogList.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quendal {
namespace {

using test::readFile;

LogEntry entry(const char* time, const char* host, const char* message,
               Severity severity = Severity::Unknown)
{
    return {time, host, message, severity};
}

std::vector<LogEntry> entries(const LogList& list)
{
    std::vector<LogEntry> out;
    for (qsizetype r = 0; r < list.size(); ++r)
        out.push_back(LogEntry::from(list.entry(r)));
    return out;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

TEST(LogFileFormat, ThreeCrLfLinesWithEmergencyTimeInBrackets)
{
    QByteArray out;
    appendFileEntry(out, entry("Mar 14 09:26:53", "gateway", "Packet blocked").view());
    appendFileEntry(out,
                    entry("Mar 14 09:27:10", "gateway", "Link down", Severity::Emergency).view());
    EXPECT_EQ(out, "Mar 14 09:26:53\r\ngateway\r\nPacket blocked\r\n"
                   "[Mar 14 09:27:10]\r\ngateway\r\nLink down\r\n");
}

TEST(LogFileFormat, LineBreaksNeverSplitAnEntry)
{
    QByteArray out;
    appendFileEntry(out, entry("t\r", "h\nx", "line one\r\nline two\n\r\n").view());
    EXPECT_EQ(out, "t\r\nh x\r\nline one  line two\r\n");
    // Other bytes pass unchanged: the file holds what was received.
    out.clear();
    appendFileEntry(out, LogEntryView{"t", QByteArrayView("\tA\0\xff", 4), "%s %n"});
    EXPECT_EQ(out, QByteArray("t\r\n\tA\0\xff\r\n%s %n\r\n", 16));
}

TEST(AutoLogFiles, AppendsToTheCategorysFileAndNeverTruncates)
{
    QTemporaryDir dir;
    writeFile(dir.filePath(QStringLiteral("VPNLog.vlg")), "old\r\nh\r\nm\r\n");
    AutoLogFiles files(dir.path() + QStringLiteral("//"));
    EXPECT_TRUE(files.append(LogCategory::VPN, entry("T", "H", "M", Severity::Emergency).view()));
    EXPECT_TRUE(files.append(LogCategory::Call, entry("T", "H", "M").view()));
    EXPECT_EQ(readFile(dir.filePath(QStringLiteral("VPNLog.vlg"))),
              "old\r\nh\r\nm\r\n[T]\r\nH\r\nM\r\n");
    EXPECT_EQ(readFile(dir.filePath(QStringLiteral("CallLog.clg"))), "T\r\nH\r\nM\r\n");
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("FIrWareLog.flg"))));
}

TEST(AutoLogFiles, AFolderThatCannotBeWrittenIsReportedOnceUntilItWorksAgain)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("later"));
    AutoLogFiles files(folder);
    files.setReportToStandardError(false);
    QSignalSpy failed(&files, &AutoLogFiles::writeFailed);
    QSignalSpy recovered(&files, &AutoLogFiles::writeRecovered);

    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(files.append(LogCategory::Wan, entry("T", "H", "M").view()));
    EXPECT_FALSE(files.append(LogCategory::Call, entry("T", "H", "M").view()));
    ASSERT_EQ(failed.size(), 2);                      // once per file, not per entry
    EXPECT_EQ(failed.at(0).at(1).toString(), folder); // the missing folder, not the file
    EXPECT_TRUE(files.isFailing(LogCategory::Wan));

    ASSERT_TRUE(QDir().mkpath(folder));
    EXPECT_TRUE(files.append(LogCategory::Wan, entry("T2", "H", "M").view()));
    EXPECT_EQ(recovered.size(), 1);
    EXPECT_FALSE(files.isFailing(LogCategory::Wan));
    EXPECT_EQ(readFile(folder + QStringLiteral("/WanLog.wlg")), "T2\r\nH\r\nM\r\n");

    if (::geteuid() != 0) { // root writes anywhere
        ::chmod(QFile::encodeName(folder).constData(), 0500);
        QFile::remove(folder + QStringLiteral("/WanLog.wlg"));
        EXPECT_FALSE(files.append(LogCategory::Call, entry("T", "H", "M").view()));
        ::chmod(QFile::encodeName(folder).constData(), 0700);
    }
}

TEST(LogFiles, SavedListReadsBackNewestFirstWithEmergenciesInRed)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("saved.flg"));
    LogList list;
    list.prepend(entry("Mar 14 09:26:53", "gw", "A older").view());
    list.prepend(entry("Mar 14 09:27:10", "gw", "B newer", Severity::Emergency).view());
    ASSERT_TRUE(SaveList(path, list.rows()));
    EXPECT_EQ(readFile(path), "Mar 14 09:26:53\r\ngw\r\nA older\r\n"
                              "[Mar 14 09:27:10]\r\ngw\r\nB newer\r\n");

    LogList back;
    back.prepend(entry("x", "y", "replaced by the file").view());
    LogFileReader reader;
    ASSERT_TRUE(reader.load(path, back));
    EXPECT_EQ(entries(back), entries(list));
}

TEST(LogFiles, SavingAnEmptyListWritesNothing)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("keep.clg"));
    LogList empty;
    EXPECT_TRUE(SaveList(dir.filePath(QStringLiteral("none.clg")), empty.rows()));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("none.clg"))));
    writeFile(path, "kept");
    EXPECT_TRUE(SaveList(path, empty.rows()));
    EXPECT_EQ(readFile(path), "kept");

    LogList one;
    one.prepend(entry("t", "h", "m").view());
    EXPECT_FALSE(SaveList(dir.filePath(QStringLiteral("missing/x.clg")), one.rows()));
}

TEST(LogFileReader, OnlyATimeLineInBracketsMarksAnEmergency)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("mixed.ulg"));
    writeFile(path, "[T1]junk\r\n[host]\r\n[message]\n"
                    "[T2\n]h\nm\n"
                    "T3\r\nh\r\nm"); // LF lines, and a last line without a line end
    LogList list;
    LogFileReader reader;
    ASSERT_TRUE(reader.load(path, list));
    EXPECT_EQ(entries(list),
              (std::vector<LogEntry>{entry("T3", "h", "m"), entry("[T2", "]h", "m"),
                                     entry("T1", "[host]", "[message]", Severity::Emergency)}));
}

TEST(LogFileReader, ReadsLinesOfAnyLength)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("long.wlg"));
    const QByteArray longMessage(3'000'000, 'm'); // longer than a read block
    writeFile(path, "t1\r\nh1\r\n" + longMessage + "\r\nt2\r\nh2\r\nshort\r\n");
    LogList list;
    LogFileReader reader;
    ASSERT_TRUE(reader.load(path, list));
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(list.entry(1).message, longMessage);
    EXPECT_EQ(LogEntry::from(list.entry(0)), entry("t2", "h2", "short"));
}

TEST(LogFileReader, IncompleteGroupDoesNotShiftTheNextFile)
{
    QTemporaryDir dir;
    const QString cut = dir.filePath(QStringLiteral("cut.flg"));
    const QString whole = dir.filePath(QStringLiteral("whole.flg"));
    writeFile(cut, "t\r\nh\r\nm\r\n[t2]\r\nh2\r\n");
    writeFile(whole, "T\r\nH\r\nM\r\n");
    LogFileReader reader;
    LogList list;
    ASSERT_TRUE(reader.load(cut, list));
    EXPECT_EQ(list.size(), 1);
    EXPECT_EQ(reader.pendingLines(), 2);
    ASSERT_TRUE(reader.load(whole, list));
    EXPECT_EQ(entries(list), (std::vector<LogEntry>{entry("T", "H", "M")}));
}

TEST(LogFileReader, FileThatCannotBeReadLeavesTheListAsItWas)
{
    QTemporaryDir dir;
    LogList list;
    list.prepend(entry("t", "h", "m").view());
    LogFileReader reader;
    QString error;
    EXPECT_FALSE(reader.load(dir.filePath(QStringLiteral("missing.flg")), list, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(reader.load(dir.path(), list)); // a folder
    EXPECT_EQ(entries(list), (std::vector<LogEntry>{entry("t", "h", "m")}));
}

TEST(LogFileReader, AddLoadedLineCutsAtALineFeedAndCompletesEveryThirdLine)
{
    LogRows rows;
    LogFileReader reader;
    EXPECT_EQ(reader.AddLoadedLine(rows, "[T]\nrest"), 1);
    reader.AddLoadedLine(rows, "H");
    EXPECT_TRUE(rows.isEmpty());
    reader.AddLoadedLine(rows, "M");
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(LogEntry::from(rows.at(0)), entry("T", "H", "M", Severity::Emergency));
    EXPECT_EQ(reader.pendingLines(), 0);
}

} // namespace
} // namespace quendal
