#include "app/core/CDebugConsole.h"

#include "app/core/HeadlessOutput.h"
#include "app/core/LineWriter.h"

#include <QFile>

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
