#include "logs/core/AutoLogFiles.h"

#include "logs/core/LogFileFormat.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace quendal {
namespace {

// Writes all bytes to an open descriptor; errno tells why when it returns false.
bool writeAll(int fd, const char* data, qsizetype size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

} // namespace

AutoLogFiles::AutoLogFiles(const QString& folder, QObject* parent) : QObject(parent)
{
    setFolder(folder);
}

void AutoLogFiles::setFolder(const QString& folder)
{
    folder_ = folder;
    for (LogCategory c : kAllCategories)
        encodedPaths_[size_t(categoryIndex(c))] = QFile::encodeName(filePath(c));
    failing_.fill(false);
}

QString AutoLogFiles::filePath(LogCategory c) const
{
    return autoLogFilePath(folder_, c);
}

bool AutoLogFiles::append(LogCategory c, const LogEntryView& entry)
{
    const size_t i = size_t(categoryIndex(c));
    buffer_.truncate(0); // keeps its capacity for the next entry
    appendFileEntry(buffer_, entry);

    int error = 0;
    const int fd =
        ::open(encodedPaths_[i].constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = errno;
    } else {
        if (!writeAll(fd, buffer_.constData(), buffer_.size()))
            error = errno;
        if (::close(fd) != 0 && error == 0 && errno != EINTR)
            error = errno;
    }

    if (error != 0) {
        if (!failing_[i]) {
            failing_[i] = true;
            const QString reason = QString::fromLocal8Bit(std::strerror(error));
            if (reportToStandardError_)
                std::fprintf(stderr, "quendal-syslog: cannot write log file %s: %s\n",
                             encodedPaths_[i].constData(), std::strerror(error));
            Q_EMIT writeFailed(c, filePath(c), reason);
        }
        return false;
    }
    if (failing_[i]) {
        failing_[i] = false;
        if (reportToStandardError_)
            std::fprintf(stderr, "quendal-syslog: writing log file %s again\n",
                         encodedPaths_[i].constData());
        Q_EMIT writeRecovered(c, filePath(c));
    }
    return true;
}

} // namespace quendal
