#include "logs/core/LogFileWriter.h"

#include "logs/core/LogFileFormat.h"

#include <QFile>

namespace quendal {

bool SaveList(const QString& path, const LogRows& rows, QString* error)
{
    if (rows.isEmpty())
        return true;

    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        if (error)
            *error = file.errorString();
        return false;
    }

    constexpr qsizetype kFlushAt = 1 << 20;
    QByteArray buffer;
    buffer.reserve(kFlushAt + 4096);
    for (qsizetype row = rows.size() - 1; row >= 0; --row) {
        appendFileEntry(buffer, rows.at(row));
        if (buffer.size() >= kFlushAt || row == 0) {
            if (file.write(buffer) != buffer.size()) {
                if (error)
                    *error = file.errorString();
                return false;
            }
            buffer.clear();
        }
    }
    if (!file.flush()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace quendal
