#include "app/core/Settings.h"

#include "logs/core/AutoLogFiles.h"
#include "logs/core/LogCategory.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace quendal {

std::optional<qsizetype> parseMaxRowsText(QStringView text)
{
    const std::optional<int> value = parseBoundedDecimal(text, int(kMostRowsPerList));
    if (!value || *value < kFewestRowsPerList)
        return std::nullopt;
    return *value;
}

bool canAppendToLogFolder(const QString& folder, QString* error)
{
    // Opened as the files themselves open it: a link at the path is not followed (so a dangling
    // one cannot make a file elsewhere), nor is a FIFO waited on.
    const QByteArray path = QFile::encodeName(autoLogFilePath(folder, LogCategory::FireWall));
    const int fd = ::open(path.constData(),
                          O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK,
                          AutoLogFiles::kFileMode);
    if (fd >= 0) {
        ::close(fd);
        return true;
    }
    const int openError = errno;
    // Something planted at that one path is refused and reported by the files, which go on
    // with the other categories: the folder counts when files can be made in it.
    if ((openError == ELOOP || openError == ENXIO) &&
        ::access(QFile::encodeName(folder).constData(), W_OK | X_OK) == 0)
        return true;
    if (error)
        *error = QString::fromLocal8Bit(std::strerror(openError));
    return false;
}

} // namespace quendal
