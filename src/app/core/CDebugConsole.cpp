#include "app/core/CDebugConsole.h"

#include <QFile>

#include <unistd.h>

namespace quendal {

bool commandLineHasDebugSwitch(const QStringList& arguments)
{
    return arguments.join(QLatin1Char(' ')).contains(QLatin1StringView(" -d"));
}

CDebugConsole::~CDebugConsole()
{
    if (logFile_)
        std::fclose(logFile_);
}

void CDebugConsole::Open(const QString& logFileName)
{
    enabled_ = true;
    if (::isatty(STDOUT_FILENO)) {
        std::printf("\033]0;%s\007", kTitle);
        std::fflush(stdout);
    }
    if (!logFileName.isEmpty() && !logFile_) {
        const QByteArray name = QFile::encodeName(logFileName);
        // "w" replaces an older log of a previous run.
        logFile_ = std::fopen(name.constData(), "wb");
    }
}

int CDebugConsole::Print(QByteArrayView text)
{
    if (!enabled_)
        return 0;
    std::fwrite(text.data(), 1, size_t(text.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
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
