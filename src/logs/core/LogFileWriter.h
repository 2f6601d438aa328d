#pragma once

#include "logs/core/LogRows.h"

#include <QString>

namespace quendal {

// Saves a list to a file, oldest entry first, replacing what the file held. An empty list writes
// nothing and leaves an existing file alone. Returns false, with the reason in `error`, when the
// file cannot be created or written; what was written by then stays.
bool SaveList(const QString& path, const LogRows& rows, QString* error = nullptr);

} // namespace quendal
