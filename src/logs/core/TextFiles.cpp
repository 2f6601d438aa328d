#include "logs/core/TextFiles.h"

namespace quendal {

QString fileInFolder(const QString& folder, const QString& fileName)
{
    if (folder.isEmpty())
        return fileName;
    qsizetype end = folder.size();
    while (end > 0 && folder.at(end - 1) == QLatin1Char('/'))
        --end;
    return folder.left(end) + QLatin1Char('/') + fileName;
}

} // namespace quendal
