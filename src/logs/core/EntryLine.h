#pragma once

#include "logs/core/LogCategory.h"
#include "logs/core/LogEntry.h"

#include <QByteArray>

namespace quendal {

// Received bytes made safe for a terminal: control characters and backslashes escaped (\t, \n,
// \r, \\, \xHH), C1 controls too (the bytes 0x80 to 0x9F outside UTF-8, and U+0080 to U+009F
// encoded in it, each byte as \xHH), every other byte as received.
void appendEscaped(QByteArray& out, QByteArrayView text);

// One stored entry as one line: category, Time, Host and Message, tab-separated, ending in a
// line feed. An emergency entry's Time stands in brackets, as in the log files, and line breaks
// at the end of a text are dropped, as there. Control
// characters and backslashes are escaped (\t, \n, \r, \\, \xHH), so a line is always one entry;
// other bytes are written as received.
void appendEntryLine(QByteArray& out, LogCategory category, const LogEntryView& entry);

} // namespace quendal
