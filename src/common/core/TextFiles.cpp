#include "common/core/TextFiles.h"

#include <QFile>

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

std::optional<QByteArray> readWholeFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray text = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return text;
}

} // namespace quendal
