// Log files that cannot be redirected: a link or FIFO planted at a file's path, before the first
// entry or while the file is in use, is refused and reported once; nothing reaches its target.
#include "logs/core/AutoLogFiles.h"
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

LogEntry entry(const char* message)
{
    return {"Mar 14 09:26:53", "gw", message, Severity::Unknown, {}};
}

struct LinkFolder
{
    QTemporaryDir dir;
    // What a planted link points at: a file the receiver must never write or truncate.
    QString target = dir.filePath(QStringLiteral("target"));
    AutoLogFiles files{dir.path()};
    QSignalSpy failed{&files, &AutoLogFiles::writeFailed};

    LinkFolder()
    {
        files.setReportToStandardError(false);
        QFile file(target);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("precious\n");
    }
    QByteArray plantLink(LogCategory c)
    {
        const QByteArray path = QFile::encodeName(files.filePath(c));
        ::unlink(path.constData());
        EXPECT_EQ(::symlink(QFile::encodeName(target).constData(), path.constData()), 0);
        return path;
    }
};

TEST(AutoLogFilesLink, LinkPlantedBeforeStartIsRefusedOnceAndOtherCategoriesGoOn)
{
    LinkFolder f;
    f.plantLink(LogCategory::FireWall);
    const mode_t oldMask = ::umask(022);

    EXPECT_FALSE(f.files.append(LogCategory::FireWall, entry("one").view()));
    EXPECT_FALSE(f.files.append(LogCategory::FireWall, entry("two").view()));
    EXPECT_TRUE(f.files.append(LogCategory::VPN, entry("vpn").view()));
    ::umask(oldMask);

    EXPECT_EQ(readFile(f.target), "precious\n");
    ASSERT_EQ(f.failed.size(), 1);
    EXPECT_EQ(f.failed[0][1].toString(), f.files.filePath(LogCategory::FireWall));
    EXPECT_TRUE(f.failed[0][2].toString().contains(QLatin1StringView("symbolic link")));
    EXPECT_EQ(f.files.notWritten(), 2u);
    EXPECT_TRUE(readFile(f.files.filePath(LogCategory::VPN)).contains("vpn"));
    // Made for the owner and its group alone.
    struct stat st
    {};
    ASSERT_EQ(::stat(QFile::encodeName(f.files.filePath(LogCategory::VPN)).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(AutoLogFilesLink, LinkOrFifoSwappedInWhileRunningIsNeverWrittenThrough)
{
    LinkFolder f;
    const LogCategory c = LogCategory::Call;
    ASSERT_TRUE(f.files.append(c, entry("before").view()));
    f.plantLink(c);
    f.files.reopen(); // as SIGHUP does; the path check does the same within its interval
    EXPECT_FALSE(f.files.append(c, entry("after").view()));
    EXPECT_EQ(readFile(f.target), "precious\n");
    ASSERT_EQ(f.failed.size(), 1);

    // Writing resumes once a regular file is there again; a FIFO is refused like a link.
    const QByteArray path = QFile::encodeName(f.files.filePath(c));
    ::unlink(path.constData());
    ASSERT_EQ(::mkfifo(path.constData(), 0600), 0);
    EXPECT_FALSE(f.files.append(c, entry("fifo").view()));
    ::unlink(path.constData());
    EXPECT_TRUE(f.files.append(c, entry("again").view()));
    EXPECT_TRUE(readFile(f.files.filePath(c)).contains("again"));
    EXPECT_EQ(f.failed.size(), 1);
}

} // namespace
} // namespace quendal
