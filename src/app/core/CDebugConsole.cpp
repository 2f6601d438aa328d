#include "app/core/CDebugConsole.h"

#include "app/core/HeadlessOutput.h"
#include "app/core/LineWriter.h"
#include "logs/core/AutoLogFiles.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quendal {

bool commandLineHasDebugSwitch(const QStringList& arguments)
{
    return arguments.join(QLatin1Char(' ')).contains(QLatin1StringView(" -d"));
}

CDebugConsole::CDebugConsole() = default;

CDebugConsole::~CDebugConsole()
{
    if (logFile_)
        std::fclose(logFile_);
}

void CDebugConsole::Open(const QString& logFileName)
{
    enabled_ = true;
    if (!output_) {
        ownOutput_ = std::make_unique<LineWriter>();
        output_ = ownOutput_.get();
    }
    if (::isatty(STDOUT_FILENO))
        output_->write(QByteArray("\033]0;") + kTitle + "\007");
    if (!logFileName.isEmpty() && !logFile_)
        logFile_ = openDebugLog(logFileName);
}

std::FILE* CDebugConsole::openDebugLog(const QString& fileName)
{
    const QByteArray name = QFile::encodeName(fileName);
    // Never through a link planted at the name (nor truncating its target), never into a FIFO
    // or device: only a regular file of that name, replaced by this run's log.
    const int fd =
        ::open(name.constData(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK,
               AutoLogFiles::kFileMode);
    const auto refuse = [&](const QString& why) {
        printToStandardError(QStringLiteral("cannot write debug log %1: %2")
                                 .arg(QFileInfo(fileName).absoluteFilePath(), why));
        return nullptr;
    };
    if (fd < 0)
        return errno == ELOOP ? refuse(QStringLiteral("it is a symbolic link, which is never "
                                                      "followed; nothing is written through it"))
                              : refuse(QString::fromLocal8Bit(std::strerror(errno)));
    struct stat st
    {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return refuse(QStringLiteral("it is not a regular file; nothing is written to it"));
    }
    if (::ftruncate(fd, 0) != 0) {
        const int error = errno;
        ::close(fd);
        return refuse(QString::fromLocal8Bit(std::strerror(error)));
    }
    std::FILE* file = ::fdopen(fd, "wb");
    if (!file)
        ::close(fd);
    return file;
}

int CDebugConsole::Print(QByteArrayView text)
{
    if (!enabled_)
        return 0;
    line_.truncate(0); // keeps its capacity for the next datagram
    appendEscaped(line_, text);
    line_.append('\n');
    output_->write(line_);
    if (logFile_) {
        // The debug log keeps the CR LF line ends of the other log files, inside the text too.
        qsizetype start = 0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text[i] == '\n') {
                std::fwrite(text.data() + start, 1, size_t(i - start), logFile_);
                std::fputs("\r\n", logFile_);
                start = i + 1;
            }
        }
        std::fwrite(text.data() + start, 1, size_t(text.size() - start), logFile_);
        std::fputs("\r\n", logFile_);
        std::fflush(logFile_);
    }
    return int(text.size());
}

void CDebugConsole::Close()
{
    // The debug log stays open until the process ends, so late datagrams still reach it.
    enabled_ = false;
}

} // namespace quendal
