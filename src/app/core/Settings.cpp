#include "app/core/Settings.h"

#include "logs/core/LogCategory.h"

#include <QFile>

namespace quendal {

std::optional<qsizetype> parseMaxRowsText(QStringView text)
{
    if (text.isEmpty())
        return std::nullopt;
    qsizetype value = 0;
    for (QChar c : text) {
        if (!isAsciiDigit(c))
            return std::nullopt;
        value = value * 10 + (c.unicode() - '0');
        if (value > kMostRowsPerList)
            return std::nullopt;
    }
    if (value < kFewestRowsPerList)
        return std::nullopt;
    return value;
}

bool canAppendToLogFolder(const QString& folder, QString* error)
{
    QFile file(autoLogFilePath(folder, LogCategory::FireWall));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    file.close();
    return true;
}

} // namespace quendal
