#include "forward/core/QueueFolder.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quendal {

namespace {

constexpr char kPositionName[] = "position";
constexpr char kPositionTemporary[] = "position.tmp";
constexpr char kSegmentSuffix[] = ".qseg";
constexpr int kSegmentDigits = 10;

QString systemError(const QString& what, int error)
{
    return QStringLiteral("%1: %2").arg(what, QString::fromLocal8Bit(std::strerror(error)));
}

std::optional<quint64> segmentNumber(const char* name)
{
    const size_t length = std::strlen(name);
    if (length != kSegmentDigits + std::strlen(kSegmentSuffix) ||
        std::strcmp(name + kSegmentDigits, kSegmentSuffix) != 0)
        return std::nullopt;
    quint64 number = 0;
    for (int i = 0; i < kSegmentDigits; ++i) {
        if (name[i] < '0' || name[i] > '9')
            return std::nullopt;
        number = number * 10 + quint64(name[i] - '0');
    }
    return number;
}

bool writeAll(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

} // namespace

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept
{
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = other.release();
    }
    return *this;
}

UniqueFd::~UniqueFd()
{
    if (fd_ >= 0)
        ::close(fd_);
}

int UniqueFd::release()
{
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

std::unique_ptr<QueueFolder> QueueFolder::open(const QString& path, QString* error)
{
    const QString clean = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    const QByteArray native = QFile::encodeName(clean);
    struct stat info
    {};
    if (::lstat(native.constData(), &info) != 0) {
        if (errno != ENOENT) {
            *error = systemError(clean, errno);
            return nullptr;
        }
        // Parents as for any configured folder; the queue's own folder for its owner alone.
        QDir().mkpath(QFileInfo(clean).absolutePath());
        if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST) {
            *error = systemError(clean, errno);
            return nullptr;
        }
    }
    UniqueFd fd(::open(native.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd.valid()) {
        const int openError = errno;
        *error =
            openError == ELOOP || openError == ENOTDIR
                ? QStringLiteral("%1: not a folder (a symbolic link is not followed)").arg(clean)
                : systemError(clean, openError);
        return nullptr;
    }
    // One writer per queue: a second process on the same folder would interleave records.
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
        *error = errno == EWOULDBLOCK
                     ? QStringLiteral("%1: the queue is in use by another process").arg(clean)
                     : systemError(clean, errno);
        return nullptr;
    }
    return std::unique_ptr<QueueFolder>(new QueueFolder(clean, std::move(fd)));
}

std::optional<std::vector<quint64>> QueueFolder::segments(QString* error) const
{
    const int listFd = ::openat(fd_.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = listFd >= 0 ? ::fdopendir(listFd) : nullptr;
    if (!dir) {
        *error = systemError(path_, errno);
        if (listFd >= 0)
            ::close(listFd);
        return std::nullopt;
    }
    std::vector<quint64> found;
    while (const dirent* entry = ::readdir(dir)) {
        if (const std::optional<quint64> number = segmentNumber(entry->d_name))
            found.push_back(*number);
    }
    ::closedir(dir);
    std::sort(found.begin(), found.end());
    return found;
}

UniqueFd QueueFolder::openSegment(quint64 segment, bool create, QString* error) const
{
    const QByteArray name = segmentName(segment);
    const int flags = O_RDWR | O_NOFOLLOW | O_CLOEXEC | (create ? O_CREAT : 0);
    UniqueFd fd(::openat(fd_.get(), name.constData(), flags, 0600));
    const QString where = path_ + QLatin1Char('/') + QString::fromLatin1(name);
    if (!fd.valid()) {
        *error = errno == ELOOP ? QStringLiteral("%1: a symbolic link is not followed").arg(where)
                                : systemError(where, errno);
        return {};
    }
    struct stat info
    {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        *error = QStringLiteral("%1: not a plain file").arg(where);
        return {};
    }
    return fd;
}

bool QueueFolder::removeSegment(quint64 segment) const
{
    return ::unlinkat(fd_.get(), segmentName(segment).constData(), 0) == 0 || errno == ENOENT;
}

std::optional<QueuePosition> QueueFolder::readPosition() const
{
    UniqueFd fd(::openat(fd_.get(), kPositionName, O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd.valid())
        return std::nullopt;
    char text[64];
    const ssize_t n = ::read(fd.get(), text, sizeof text - 1);
    if (n <= 0)
        return std::nullopt;
    const QList<QByteArray> parts = QByteArray(text, n).trimmed().split(' ');
    bool segmentOk = false, offsetOk = false;
    if (parts.size() != 2)
        return std::nullopt;
    QueuePosition position{parts[0].toULongLong(&segmentOk), parts[1].toLongLong(&offsetOk)};
    if (!segmentOk || !offsetOk || position.offset < 0)
        return std::nullopt;
    return position;
}

bool QueueFolder::writePosition(const QueuePosition& position, bool durable, QString* error) const
{
    const QByteArray text =
        QByteArray::number(position.segment) + ' ' + QByteArray::number(position.offset) + '\n';
    ::unlinkat(fd_.get(), kPositionTemporary, 0);
    UniqueFd fd(::openat(fd_.get(), kPositionTemporary,
                         O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    const QString where = path_ + QLatin1Char('/') + QLatin1String(kPositionTemporary);
    if (!fd.valid() || !writeAll(fd.get(), text) || (durable && ::fdatasync(fd.get()) != 0)) {
        *error = systemError(where, errno);
        ::unlinkat(fd_.get(), kPositionTemporary, 0);
        return false;
    }
    if (::renameat(fd_.get(), kPositionTemporary, fd_.get(), kPositionName) != 0) {
        *error = systemError(where, errno);
        ::unlinkat(fd_.get(), kPositionTemporary, 0);
        return false;
    }
    if (durable)
        syncEntries();
    return true;
}

void QueueFolder::syncEntries() const
{
    ::fsync(fd_.get());
}

QByteArray QueueFolder::segmentName(quint64 segment)
{
    return QByteArray::number(segment).rightJustified(kSegmentDigits, '0') + kSegmentSuffix;
}

} // namespace quendal
