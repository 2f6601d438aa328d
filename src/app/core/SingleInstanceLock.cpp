#include "app/core/SingleInstanceLock.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace quendal {

QString SingleInstanceLock::defaultPath()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir(runtime).exists())
        return QDir(runtime).filePath(QStringLiteral("QuendalSysLog.lock"));
    return QDir::temp().filePath(QStringLiteral("QuendalSysLog-%1.lock").arg(::getuid()));
}

SingleInstanceLock::SingleInstanceLock(const QString& path) : path_(path)
{}

SingleInstanceLock::~SingleInstanceLock()
{
    unlock();
}

SingleInstanceLock::Result SingleInstanceLock::tryLock(QString* error)
{
    if (fd_ >= 0)
        return Result::Acquired;
    const QByteArray encoded = QFile::encodeName(path_);
    const int fd = ::open(encoded.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        if (error)
            *error = QStringLiteral("cannot open %1: %2")
                         .arg(path_, QString::fromLocal8Bit(std::strerror(errno)));
        return Result::Unavailable;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int failure = errno;
        ::close(fd);
        if (failure == EWOULDBLOCK)
            return Result::HeldElsewhere;
        if (error)
            *error = QStringLiteral("cannot lock %1: %2")
                         .arg(path_, QString::fromLocal8Bit(std::strerror(failure)));
        return Result::Unavailable;
    }
    fd_ = fd;
    return Result::Acquired;
}

void SingleInstanceLock::unlock()
{
    if (fd_ < 0)
        return;
    ::close(fd_); // closing the only descriptor releases the lock
    fd_ = -1;
}

} // namespace quendal
