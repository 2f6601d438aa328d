#include "logs/core/AutoLogFiles.h"

#include "common/core/Clock.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <unistd.h>

namespace quendal {
namespace {

using test::readFile;

using namespace std::chrono_literals;

constexpr LogCategory kCat = LogCategory::FireWall;

// Entry n: Time "T<n>", Host "H", Message of `size` bytes.
LogEntry numbered(int n, int size = 40)
{
    return {QByteArray("T") + QByteArray::number(n), "H", QByteArray(size, 'm')};
}

// The numbers of the entries a file holds; fails the test unless the file is whole entries of
// three CR LF lines each.
std::vector<int> entryNumbers(const QString& path)
{
    const QByteArray bytes = QFile::exists(path) ? readFile(path) : QByteArray();
    std::vector<int> numbers;
    if (bytes.isEmpty())
        return numbers;
    EXPECT_TRUE(bytes.endsWith("\r\n")) << "file ends inside a line: " << path.toStdString();
    QList<QByteArray> lines = bytes.split('\n');
    lines.removeLast(); // after the last line feed
    EXPECT_EQ(lines.size() % 3, 0) << "not three lines per entry: " << path.toStdString();
    for (qsizetype i = 0; i + 2 < lines.size(); i += 3) {
        EXPECT_TRUE(lines[i].startsWith('T') && lines[i].endsWith('\r')) << lines[i].constData();
        EXPECT_EQ(lines[i + 1], "H\r");
        numbers.push_back(lines[i].mid(1).chopped(1).toInt());
    }
    return numbers;
}

std::vector<int> range(int from, int to)
{
    std::vector<int> out;
    for (int n = from; n < to; ++n)
        out.push_back(n);
    return out;
}

// Write system calls made by this process so far, or -1 where the kernel does not tell.
qint64 writeCalls()
{
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : io.readAll().split('\n'))
        if (line.startsWith("syscw:"))
            return line.mid(6).trimmed().toLongLong();
    return -1;
}

struct LogFolder
{
    QTemporaryDir dir;
    QString folder = dir.filePath(QStringLiteral("logs"));
    QString path = folder + QStringLiteral("/FIrWareLog.flg");
    ManualClock clock;
    LogFolder() { QDir().mkpath(folder); }
    // Moves the files' clock to where their paths are looked at again.
    void passPathCheck() { clock.advance(AutoLogFiles::kPathCheckInterval.count()); }
};

// Files renamed, deleted or replaced behind the program's back: the next entries reach the
// configured path within the check interval, and none is lost on the way.
TEST(AutoLogFilesRotation, RenamedFileEntriesMoveToTheNewFileWithoutLoss)
{
    LogFolder f;
    AutoLogFiles files(f.folder);
    files.setClock(f.clock);
    for (int n = 0; n < 3; ++n)
        ASSERT_TRUE(files.append(kCat, numbered(n).view()));
    ASSERT_TRUE(QFile::rename(f.path, f.path + QStringLiteral(".1")));
    // Until the check is due, entries still reach the renamed file; then the new one.
    f.clock.advance(AutoLogFiles::kPathCheckInterval.count() - 1);
    ASSERT_TRUE(files.append(kCat, numbered(3).view()));
    f.clock.advance(1);
    ASSERT_TRUE(files.append(kCat, numbered(4).view()));

    EXPECT_EQ(entryNumbers(f.path + QStringLiteral(".1")), range(0, 4));
    EXPECT_EQ(entryNumbers(f.path), range(4, 5));
}

TEST(AutoLogFilesRotation, ReplacedFileAsLogrotateCreatesItGetsTheNextEntries)
{
    LogFolder f;
    AutoLogFiles files(f.folder);
    files.setClock(f.clock);
    ASSERT_TRUE(files.append(kCat, numbered(0).view()));
    ASSERT_TRUE(QFile::rename(f.path, f.path + QStringLiteral(".1")));
    QFile fresh(f.path);
    ASSERT_TRUE(fresh.open(QIODevice::WriteOnly)); // a new, empty file at the path
    fresh.close();
    f.passPathCheck();
    ASSERT_TRUE(files.append(kCat, numbered(1).view()));
    EXPECT_EQ(entryNumbers(f.path + QStringLiteral(".1")), range(0, 1));
    EXPECT_EQ(entryNumbers(f.path), range(1, 2));
}

TEST(AutoLogFilesRotation, DeletedFileIsCreatedAgain)
{
    LogFolder f;
    AutoLogFiles files(f.folder);
    files.setClock(f.clock);
    ASSERT_TRUE(files.append(kCat, numbered(0).view()));
    ASSERT_TRUE(QFile::remove(f.path));
    f.passPathCheck();
    ASSERT_TRUE(files.append(kCat, numbered(1).view()));
    EXPECT_EQ(entryNumbers(f.path), range(1, 2));
}

TEST(AutoLogFilesRotation, FolderRemovedAndMadeAgainGetsTheNextEntries)
{
    LogFolder f;
    AutoLogFiles files(f.folder);
    files.setClock(f.clock);
    ASSERT_TRUE(files.append(kCat, numbered(0).view()));
    ASSERT_TRUE(QDir(f.folder).removeRecursively());
    ASSERT_TRUE(QDir().mkpath(f.folder));
    f.passPathCheck();
    ASSERT_TRUE(files.append(kCat, numbered(1).view()));
    EXPECT_EQ(entryNumbers(f.path), range(1, 2));
    EXPECT_EQ(files.notWritten(), 0u);
}

TEST(AutoLogFilesRotation, CopyTruncateLeavesNoGapBeforeTheNextEntry)
{
    LogFolder f;
    AutoLogFiles files(f.folder);
    files.setClock(f.clock);
    for (int n = 0; n < 3; ++n)
        ASSERT_TRUE(files.append(kCat, numbered(n).view()));
    ASSERT_TRUE(QFile::copy(f.path, f.path + QStringLiteral(".1")));
    ASSERT_TRUE(QFile::resize(f.path, 0));
    ASSERT_TRUE(files.append(kCat, numbered(3).view()));
    EXPECT_EQ(readFile(f.path), QByteArray("T3\r\nH\r\n") + QByteArray(40, 'm') + "\r\n");
    EXPECT_EQ(entryNumbers(f.path + QStringLiteral(".1")), range(0, 3));
}

TEST(AutoLogFilesRotation, ReopenMovesToTheNewFileAtOnce)
{
    LogFolder f;
    AutoLogFiles files(f.folder);
    files.setClock(f.clock);
    ASSERT_TRUE(files.append(kCat, numbered(0).view()));
    ASSERT_TRUE(files.append(LogCategory::Wan, numbered(0).view()));
    ASSERT_TRUE(QFile::rename(f.path, f.path + QStringLiteral(".1")));
    files.reopen();
    ASSERT_TRUE(files.append(kCat, numbered(1).view()));
    ASSERT_TRUE(files.append(LogCategory::Wan, numbered(1).view()));
    EXPECT_EQ(entryNumbers(f.path), range(1, 2));
    EXPECT_EQ(entryNumbers(f.folder + QStringLiteral("/WanLog.wlg")), range(0, 2));
}

TEST(AutoLogFilesRotation, MissingFolderIsNamedAndItsEntriesCounted)
{
    LogFolder f;
    AutoLogFiles files(f.folder);
    files.setClock(f.clock);
    files.setReportToStandardError(false);
    QSignalSpy failed(&files, &AutoLogFiles::writeFailed);
    QSignalSpy recovered(&files, &AutoLogFiles::writeRecovered);
    ASSERT_TRUE(files.append(kCat, numbered(0).view()));
    ASSERT_TRUE(QDir(f.folder).removeRecursively());
    f.passPathCheck();
    EXPECT_FALSE(files.append(kCat, numbered(1).view()));
    EXPECT_FALSE(files.append(kCat, numbered(2).view()));
    ASSERT_EQ(failed.size(), 1);
    EXPECT_EQ(failed.at(0).at(1).toString(), f.folder);
    EXPECT_EQ(files.notWritten(), 2u);

    ASSERT_TRUE(QDir().mkpath(f.folder));
    EXPECT_TRUE(files.append(kCat, numbered(3).view()));
    EXPECT_EQ(recovered.size(), 1);
    EXPECT_EQ(entryNumbers(f.path), range(3, 4));
}

// Batches: one write per file when the outermost scope ends.
TEST(AutoLogFilesBatch, StagedEntriesLandInOneWritePerFileWhenTheScopeEnds)
{
    LogFolder f;
    AutoLogFiles files(f.folder);
    files.setClock(f.clock);
    const QString wan = f.folder + QStringLiteral("/WanLog.wlg");
    qint64 before = 0;
    {
        AutoLogFiles::BatchScope batch(files);
        {
            AutoLogFiles::BatchScope inner(files);
            for (int n = 0; n < 4; ++n) {
                EXPECT_TRUE(files.append(kCat, numbered(n).view()));
                EXPECT_TRUE(files.append(LogCategory::Wan, numbered(100 + n).view()));
            }
        }
        EXPECT_FALSE(QFile::exists(f.path)) << "written before the outermost scope ended";
        EXPECT_FALSE(QFile::exists(wan));
        before = writeCalls();
    }
    const qint64 after = writeCalls();
#ifndef QUENDAL_SANITIZED
    // The sanitizers' runtime writes to a pipe of its own to probe memory, so the count of write
    // calls is read only where it counts ours alone.
    ASSERT_GE(before, 0) << "this kernel does not count write calls in /proc/self/io";
    EXPECT_EQ(after - before, 2) << "one write per file";
#else
    Q_UNUSED(before);
    Q_UNUSED(after);
#endif
    EXPECT_EQ(entryNumbers(f.path), range(0, 4));
    EXPECT_EQ(entryNumbers(wan), range(100, 104));

    // Without a scope, each entry is written at once.
    ASSERT_TRUE(files.append(kCat, numbered(4).view()));
    EXPECT_EQ(entryNumbers(f.path), range(0, 5));
}

TEST(AutoLogFilesBatch, ALargeBatchIsWrittenEarlyInWholeEntries)
{
    LogFolder f;
    AutoLogFiles files(f.folder);
    files.setClock(f.clock);
    const int size = 1000;
    const int count = int(AutoLogFiles::kMaxStagedBytes / size) + 10;
    AutoLogFiles::BatchScope batch(files);
    for (int n = 0; n < count; ++n)
        files.append(kCat, numbered(n, size).view());
    const std::vector<int> early = entryNumbers(f.path);
    EXPECT_FALSE(early.empty()) << "staged without bound";
    EXPECT_LT(early.size(), size_t(count));
    EXPECT_EQ(early, range(0, int(early.size())));
}

// Faults: whatever happens, the file holds whole entries; a failure is reported once, its
// recovery once, and what could not be written is counted.

// A small tmpfs mounted on a folder for the length of a test (needs root).
class SmallVolume
{
public:
    explicit SmallVolume(const QString& folder, const char* options = "size=64k")
        : target_(QFile::encodeName(folder))
    {
        mounted_ = ::mount("tmpfs", target_.constData(), "tmpfs", 0, options) == 0;
        error_ = mounted_ ? 0 : errno;
    }
    ~SmallVolume()
    {
        if (mounted_)
            ::umount2(target_.constData(), MNT_DETACH);
    }
    bool mounted() const { return mounted_; }
    QString why() const { return QString::fromLocal8Bit(std::strerror(error_)); }
    bool remount(unsigned long flags)
    {
        return ::mount(nullptr, target_.constData(), nullptr, MS_REMOUNT | flags, "size=64k") == 0;
    }

private:
    QByteArray target_;
    bool mounted_ = false;
    int error_ = 0;
};

// The log folder, optionally on a small volume, and the files with their reports watched.
class AutoLogFilesFaults : public ::testing::Test
{
protected:
    // Mounts a small tmpfs on the log folder; false where that is not allowed (needs root).
    bool mountSmallVolume()
    {
        volume_ = std::make_unique<SmallVolume>(f.folder);
        return volume_->mounted();
    }
    SmallVolume& volume() { return *volume_; }
    QString whyNotMounted() const { return volume_->why(); }

    // The files over the folder as it is now (call after mounting).
    AutoLogFiles& files()
    {
        if (!files_) {
            files_ = std::make_unique<AutoLogFiles>(f.folder);
            files_->setClock(f.clock);
            files_->setReportToStandardError(false);
            failed_ = std::make_unique<QSignalSpy>(files_.get(), &AutoLogFiles::writeFailed);
            recovered_ = std::make_unique<QSignalSpy>(files_.get(), &AutoLogFiles::writeRecovered);
        }
        return *files_;
    }
    qsizetype failures() const { return failed_->size(); }
    qsizetype recoveries() const { return recovered_->size(); }

    LogFolder f;

private:
    std::unique_ptr<SmallVolume> volume_;
    std::unique_ptr<AutoLogFiles> files_;
    std::unique_ptr<QSignalSpy> failed_;
    std::unique_ptr<QSignalSpy> recovered_;
};

TEST_F(AutoLogFilesFaults, DiskFullLeavesWholeEntriesAndWritingResumesWhenSpaceReturns)
{
    if (!mountSmallVolume())
        GTEST_SKIP() << "cannot mount a small tmpfs here: " << whyNotMounted().toStdString();
    AutoLogFiles& files = this->files();

    // Entries of 1,000 bytes against 64 KiB pages: the last one that fits only in part is cut.
    QFile filler(f.folder + QStringLiteral("/filler"));
    ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
    filler.write(QByteArray(40 * 1024, 'x'));
    filler.close();
    std::vector<int> written;
    int n = 0;
    for (; n < 100; ++n) {
        if (files.append(kCat, numbered(n, 997 + n % 7).view()))
            written.push_back(n);
    }
    ASSERT_LT(written.size(), 100u) << "the volume never filled";
    EXPECT_EQ(failures(), 1);
    EXPECT_EQ(files.notWritten(), 100 - written.size());
    EXPECT_EQ(entryNumbers(f.path), written);

    // A batch that does not fit is undone as a whole.
    {
        AutoLogFiles::BatchScope batch(files);
        for (int k = 0; k < 30; ++k)
            files.append(kCat, numbered(n++, 500).view());
    }
    EXPECT_EQ(entryNumbers(f.path), written);

    ASSERT_TRUE(QFile::remove(filler.fileName()));
    for (int k = 0; k < 5; ++k) {
        EXPECT_TRUE(files.append(kCat, numbered(n).view()));
        written.push_back(n++);
    }
    EXPECT_EQ(recoveries(), 1);
    EXPECT_FALSE(files.isFailing(kCat));
    EXPECT_EQ(entryNumbers(f.path), written);
}

TEST_F(AutoLogFilesFaults, ImmutableFileRefusesWholeEntriesUntilItIsWritableAgain)
{
    AutoLogFiles& files = this->files();
    ASSERT_TRUE(files.append(kCat, numbered(0).view()));

    const int fd = ::open(QFile::encodeName(f.path).constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    int attributes = 0;
    const auto setImmutable = [&](bool on) {
        int flags = on ? attributes | FS_IMMUTABLE_FL : attributes & ~FS_IMMUTABLE_FL;
        return ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    };
    if (::ioctl(fd, FS_IOC_GETFLAGS, &attributes) != 0 || !setImmutable(true)) {
        ::close(fd);
        GTEST_SKIP() << "this file system or user cannot make a file immutable";
    }
    const bool refused = !files.append(kCat, numbered(1).view());
    const bool refusedAgain = !files.append(kCat, numbered(2).view());
    setImmutable(false);
    ::close(fd);

    EXPECT_TRUE(refused && refusedAgain);
    EXPECT_EQ(failures(), 1);
    EXPECT_EQ(files.notWritten(), 2u);
    EXPECT_TRUE(files.append(kCat, numbered(3).view()));
    EXPECT_EQ(recoveries(), 1);
    EXPECT_EQ(entryNumbers(f.path), (std::vector<int>{0, 3}));
}

TEST_F(AutoLogFilesFaults, ReadOnlyVolumeRefusesWholeEntriesUntilRemountedWritable)
{
    if (!mountSmallVolume())
        GTEST_SKIP() << "cannot mount a small tmpfs here: " << whyNotMounted().toStdString();
    AutoLogFiles& files = this->files();
    ASSERT_TRUE(files.append(kCat, numbered(0).view()));
    // A volume with files open for writing cannot be made read-only; the files are let go first,
    // as on SIGHUP before such a remount.
    EXPECT_FALSE(volume().remount(MS_RDONLY)) << "remounted read-only under an open file";
    files.reopen();
    ASSERT_TRUE(volume().remount(MS_RDONLY)) << std::strerror(errno);

    EXPECT_FALSE(files.append(kCat, numbered(1).view()));
    EXPECT_FALSE(files.append(kCat, numbered(2).view()));
    EXPECT_EQ(failures(), 1);
    EXPECT_EQ(files.notWritten(), 2u);
    ASSERT_TRUE(volume().remount(0)) << std::strerror(errno);
    EXPECT_TRUE(files.append(kCat, numbered(3).view()));
    EXPECT_EQ(recoveries(), 1);
    EXPECT_EQ(entryNumbers(f.path), (std::vector<int>{0, 3}));
}

} // namespace
} // namespace quendal
