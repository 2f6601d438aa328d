#pragma once

#include "logs/core/LogCategory.h"

#include <QList>
#include <QString>

namespace quendal {

// One file of a category's history: the automatic file itself (generation 0) or one that
// logrotate made of it: NAME.1, NAME.2, ... or NAME.N.gz.
struct HistoryFile
{
    QString path;
    LogCategory category = LogCategory::FireWall;
    int generation = 0;
    bool compressed = false;
    qint64 size = 0;       // on disk
    qint64 modifiedMs = 0; // last modification, milliseconds since the epoch
};

// The files of the given categories (all five when empty) in a log folder, newest first: by
// modification time, then by generation. Only regular files count: a symbolic link is not
// followed.
QList<HistoryFile> findHistoryFiles(const QString& folder, const QList<LogCategory>& categories);

} // namespace quendal
