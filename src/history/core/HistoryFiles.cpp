#include "history/core/HistoryFiles.h"

#include "common/core/TextFiles.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace quendal {
namespace {

// The generation a file name stands for beside `base`: 0 for the name itself, N for "base.N"
// and "base.N.gz"; -1 for anything else.
int generationOf(const QString& name, const QString& base, bool* compressed)
{
    *compressed = false;
    if (name == base)
        return 0;
    if (!name.startsWith(base + QLatin1Char('.')))
        return -1;
    QStringView rest = QStringView(name).sliced(base.size() + 1);
    if (rest.endsWith(QLatin1StringView(".gz"))) {
        rest.chop(3);
        *compressed = true;
    }
    bool ok = false;
    const int generation = rest.toInt(&ok);
    if (!ok || generation < 1 ||
        !std::all_of(rest.begin(), rest.end(), [](QChar c) { return c.isDigit(); }))
        return -1;
    return generation;
}

} // namespace

QList<HistoryFile> findHistoryFiles(const QString& folder, const QList<LogCategory>& categories)
{
    QList<HistoryFile> files;
    const QDir dir(folder.isEmpty() ? QStringLiteral(".") : folder);
    const QFileInfoList entries =
        dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks);
    for (const LogCategory category : kAllCategories) {
        if (!categories.isEmpty() && !categories.contains(category))
            continue;
        const QString base = autoLogFileName(category);
        for (const QFileInfo& info : entries) {
            bool compressed = false;
            const int generation = generationOf(info.fileName(), base, &compressed);
            if (generation < 0 || info.isSymLink() || !info.isFile())
                continue;
            files.append({fileInFolder(folder, info.fileName()), category, generation, compressed,
                          info.size(), info.lastModified().toMSecsSinceEpoch()});
        }
    }
    std::stable_sort(files.begin(), files.end(), [](const HistoryFile& a, const HistoryFile& b) {
        if (a.modifiedMs != b.modifiedMs)
            return a.modifiedMs > b.modifiedMs;
        return a.generation < b.generation;
    });
    return files;
}

} // namespace quendal
