#include "app/core/Settings.h"

#include "logs/core/LogCategory.h"

#include <QFile>

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
