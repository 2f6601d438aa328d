#pragma once

#include "logs/core/LogCategory.h"
#include "logs/core/LogEntry.h"

#include <QByteArray>

namespace quendal {

// Received bytes made safe for a terminal: control characters and backslashes escaped (\t, \n,
// \r, \\, \xHH), every other byte as received.
void appendEscaped(QByteArray& out, QByteArrayView text);

// One stored entry as one line: category, Time, Host and Message, tab-separated, ending in a
// line feed. An emergency entry's Time stands in brackets, as in the log files. Control
// characters and backslashes are escaped (\t, \n, \r, \\, \xHH), so a line is always one entry;
// other bytes are written as received.
void appendEntryLine(QByteArray& out, LogCategory category, const LogEntryView& entry);

} // namespace quendal
