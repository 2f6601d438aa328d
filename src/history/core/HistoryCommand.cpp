#include "history/core/HistoryCommand.h"

#include "history/core/HistoryFiles.h"
#include "history/core/HistoryOptions.h"
#include "history/core/HistoryOutput.h"
#include "history/core/HistorySearch.h"
#include "logs/core/EntryLine.h"

#include <cstdio>

namespace quendal {
namespace {

void printError(const QString& text)
{
    QByteArray line("quendal-syslog: ");
    appendEscaped(line, text.toUtf8());
    line.append('\n');
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
}

} // namespace

int runHistorySearch(const QStringList& arguments, const QString& storedLogDir)
{
    QString error;
    const std::optional<HistoryOptions> options = parseHistoryOptions(arguments, &error);
    if (!options) {
        printError(error + QStringLiteral(" (see --search --help)"));
        return 2;
    }
    if (options->help) {
        std::fputs(qPrintable(historyUsage()), stdout);
        return 0;
    }
    const QString folder = options->logDir.value_or(storedLogDir);
    const QList<HistoryFile> files = findHistoryFiles(folder, options->query.categories);
    if (files.isEmpty())
        printError(QStringLiteral("no log files in %1").arg(folder));

    HistorySearch search(options->query, files);
    search.setProblem([](const QString& path, const QString& reason) {
        printError(QStringLiteral("%1: %2").arg(path, reason));
    });
    QByteArray out;
    qint64 found = 0;
    bool writeFailed = false;
    const auto flush = [&] {
        if (!out.isEmpty() &&
            std::fwrite(out.constData(), 1, size_t(out.size()), stdout) != size_t(out.size()))
            writeFailed = true;
        out.clear();
    };
    const bool json = options->json;
    const bool completed = search.run([&](const HistoryEntry& entry) {
        ++found;
        json ? appendHistoryJson(out, entry) : appendHistoryLine(out, entry);
        if (out.size() >= 1 << 16)
            flush();
        // A reader that went away (a pipe into head) ends the search.
        return !writeFailed;
    });
    flush();
    std::fflush(stdout);
    if (!completed && !search.error().isEmpty()) {
        printError(QStringLiteral("invalid regular expression: %1").arg(search.error()));
        return 2;
    }
    return found > 0 ? 0 : 1;
}

} // namespace quendal
