#include "logs/core/AutoLogFiles.h"

#include "logs/core/LogFileFormat.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quendal {
namespace {

// The folder part of a file path ("/" for a file at the root).
QByteArray folderOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash > 0 ? path.left(slash) : QByteArray("/");
}

bool folderIsMissing(const QByteArray& filePath)
{
    struct stat st
    {};
    return ::stat(folderOf(filePath).constData(), &st) != 0 || !S_ISDIR(st.st_mode);
}

QString fileErrorText(int error)
{
    if (error == ELOOP)
        return QStringLiteral("it is a symbolic link, which is never followed; nothing is "
                              "written through it");
    if (error == AutoLogFiles::kNotRegularFile)
        return QStringLiteral("it is not a regular file; nothing is written to it");
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

AutoLogFiles::BatchScope::BatchScope(AutoLogFiles& files) : files_(files)
{
    files_.beginBatch();
}

AutoLogFiles::BatchScope::~BatchScope()
{
    files_.endBatch();
}

AutoLogFiles::AutoLogFiles(const QString& folder, QObject* parent) : QObject(parent)
{
    setFolder(folder);
}

AutoLogFiles::~AutoLogFiles()
{
    for (LogCategory c : kAllCategories) {
        File& file = files_[size_t(categoryIndex(c))];
        writeStaged(file, c);
        closeFile(file);
    }
}

void AutoLogFiles::setFolder(const QString& folder)
{
    // Entries staged so far were stored while the old folder was set: they go there.
    for (LogCategory c : kAllCategories)
        writeStaged(files_[size_t(categoryIndex(c))], c);
    folder_ = folder;
    for (LogCategory c : kAllCategories) {
        File& file = files_[size_t(categoryIndex(c))];
        closeFile(file);
        file.path = QFile::encodeName(filePath(c));
        file.failing = false;
    }
}

QString AutoLogFiles::filePath(LogCategory c) const
{
    return autoLogFilePath(folder_, c);
}

bool AutoLogFiles::append(LogCategory c, const LogEntryView& entry)
{
    File& file = files_[size_t(categoryIndex(c))];
    if (batchDepth_ > 0) {
        appendFileEntry(file.staged, entry);
        ++file.stagedEntries;
        if (file.staged.size() >= kMaxStagedBytes) {
            checkPathsIfDue();
            writeStaged(file, c);
        }
        return true;
    }
    buffer_.truncate(0); // keeps its capacity for the next entry
    appendFileEntry(buffer_, entry);
    checkPathsIfDue();
    return writeEntries(file, c, buffer_, 1);
}

void AutoLogFiles::reopen()
{
    for (File& file : files_)
        closeFile(file);
}

void AutoLogFiles::endBatch()
{
    if (--batchDepth_ > 0)
        return;
    checkPathsIfDue();
    for (LogCategory c : kAllCategories)
        writeStaged(files_[size_t(categoryIndex(c))], c);
}

void AutoLogFiles::writeStaged(File& file, LogCategory c)
{
    if (file.stagedEntries == 0)
        return;
    writeEntries(file, c, file.staged, file.stagedEntries);
    file.staged.truncate(0);
    file.stagedEntries = 0;
}

bool AutoLogFiles::writeEntries(File& file, LogCategory c, const QByteArray& bytes, quint64 entries)
{
    int error = 0;
    if (file.fd >= 0 || openFile(file, &error))
        error = writeWhole(file, bytes);
    if (error != 0) {
        // Closed, so that the next entry tries the path afresh (a folder made again, a file
        // made writable again, a volume remounted).
        closeFile(file);
        notWritten_ += entries;
        reportFailure(file, c, error);
        return false;
    }
    reportRecovery(file, c);
    return true;
}

// Returns 0, or the error after which the file was cut back to its size before the write.
int AutoLogFiles::writeWhole(File& file, const QByteArray& bytes)
{
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    qsizetype written = 0;
    while (left > 0) {
        const ssize_t n = ::write(file.fd, data + written, size_t(left));
        if (n > 0) {
            written += n;
            left -= n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        const int error = n < 0 ? errno : ENOSPC;
        if (written > 0) {
            // In append mode the offset sits right after our bytes, wherever the end was.
            const off_t end = ::lseek(file.fd, 0, SEEK_CUR);
            if (end >= written)
                while (::ftruncate(file.fd, end - written) != 0 && errno == EINTR) {
                }
        }
        return error;
    }
    return 0;
}

bool AutoLogFiles::openFile(File& file, int* error)
{
    // A link planted at the path is never followed (ELOOP), and a FIFO or device found there is
    // refused before anything is written: no sender's text can be steered to another file.
    // O_NONBLOCK keeps a FIFO without a reader from blocking the open; regular files ignore it.
    file.fd =
        ::open(file.path.constData(),
               O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, kFileMode);
    if (file.fd < 0) {
        *error = errno == ENXIO ? kNotRegularFile : errno;
        return false;
    }
    struct stat st
    {};
    const bool known = ::fstat(file.fd, &st) == 0;
    if (!known || !S_ISREG(st.st_mode)) {
        *error = known ? kNotRegularFile : errno;
        closeFile(file);
        return false;
    }
    file.device = st.st_dev;
    file.inode = st.st_ino;
    return true;
}

void AutoLogFiles::closeFile(File& file)
{
    if (file.fd >= 0) {
        ::close(file.fd); // nothing is buffered: a late error here loses nothing of ours
        file.fd = -1;
    }
}

// A file whose path no longer leads to it (renamed, deleted, replaced) is closed, so that the
// next entry opens the path again. At most one look per interval keeps this off the hot path.
void AutoLogFiles::checkPathsIfDue()
{
    const qint64 now = clock_->monotonicMs();
    if (lastPathCheck_ && now - *lastPathCheck_ < kPathCheckInterval.count())
        return;
    lastPathCheck_ = now;
    for (File& file : files_) {
        if (file.fd < 0)
            continue;
        struct stat st
        {};
        if (::stat(file.path.constData(), &st) != 0 || st.st_dev != file.device ||
            st.st_ino != file.inode)
            closeFile(file);
    }
}

void AutoLogFiles::reportFailure(File& file, LogCategory c, int error)
{
    if (file.failing)
        return;
    file.failing = true;
    if (error == ENOENT && folderIsMissing(file.path)) {
        const QByteArray folder = folderOf(file.path);
        if (reportToStandardError_)
            std::fprintf(stderr,
                         "%s: cannot write log files in %s: the log folder does not exist\n",
                         program_invocation_short_name, folder.constData());
        Q_EMIT writeFailed(c, QFile::decodeName(folder),
                           QStringLiteral("the log folder does not exist"));
        return;
    }
    const QString reason = fileErrorText(error);
    if (reportToStandardError_)
        std::fprintf(stderr, "%s: cannot write log file %s: %s\n", program_invocation_short_name,
                     file.path.constData(), qPrintable(reason));
    Q_EMIT writeFailed(c, filePath(c), reason);
}

void AutoLogFiles::reportRecovery(File& file, LogCategory c)
{
    if (!file.failing)
        return;
    file.failing = false;
    if (reportToStandardError_)
        std::fprintf(stderr, "%s: writing log file %s again\n", program_invocation_short_name,
                     file.path.constData());
    Q_EMIT writeRecovered(c, filePath(c));
}

} // namespace quendal
