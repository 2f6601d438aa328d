#pragma once

#include "logs/core/LogEntry.h"

#include <QAbstractItemModel>
#include <QByteArray>
#include <QList>
#include <QString>

namespace quendal {

// A row of a LogList, or of a model over one with its roles, as an entry of its own.
LogEntry entryAt(const QAbstractItemModel& model, int row);

// Rows as the clipboard gets them: one line per row, the given columns (by default Time, Host
// and Message) separated by tabs. Line breaks and tabs inside a text become blanks, so that every
// row stays one line of as many fields. Times are copied as received. Rows `first` to `last` of
// the model, top to bottom.
QString copyRowsText(const QAbstractItemModel& model, int first, int last,
                     const QList<int>& columns = {0, 1, 2});
// The messages alone, one per line, the same way.
QString copyMessagesText(const QAbstractItemModel& model, int first, int last);

// Whether a text has bytes that do not show as they are: control bytes (line feeds, tabs,
// escapes) or bytes that are not UTF-8.
bool hasHiddenBytes(QByteArrayView bytes);
// "3c 31 33 34 3e ...", 16 bytes to a line.
QString hexLines(QByteArrayView bytes);

} // namespace quendal
