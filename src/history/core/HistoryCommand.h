#pragma once

#include <QString>
#include <QStringList>

namespace quendal {

// quendal-syslog --search ...: prints the entries found on standard output, newest first, and
// the files that could not be read on standard error. Returns 0 when entries were found, 1 when
// none, 2 for a bad option or an invalid regular expression. `storedLogDir` is the folder
// searched without --log-dir.
int runHistorySearch(const QStringList& arguments, const QString& storedLogDir);

} // namespace quendal
