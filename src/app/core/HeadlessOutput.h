#pragma once

#include "logs/core/LogCategory.h"
#include "logs/core/LogEntry.h"

#include <QByteArray>

namespace quendal {

class WanStatus;
struct IntakeCounters;

// Received bytes made safe for a terminal: control characters and backslashes escaped (\t, \n,
// \r, \\, \xHH), C1 controls too (the bytes 0x80 to 0x9F outside UTF-8, and U+0080 to U+009F
// encoded in it, each byte as \xHH), every other byte as received.
void appendEscaped(QByteArray& out, QByteArrayView text);

// One stored entry as one line: category, Time, Host and Message, tab-separated, ending in a
// line feed. An emergency entry's Time stands in brackets, as in the log files, and line breaks
// at the end of a text are dropped, as there. Control characters and backslashes are escaped as
// appendEscaped does, so a line is always one entry; other bytes are written as received.
void appendEntryLine(QByteArray& out, LogCategory category, const LogEntryView& entry);

// The status panels as one line: "Status", then key=value for every field and the mode.
void appendStatusLine(QByteArray& out, const WanStatus& status);

// The summary printed on stop, one line. Its first part adds up: every datagram read is counted
// in exactly one of the terms after "=". Then what became of the stored entries (written to
// their files), of the forwards, and of the lines a slow reader of standard output missed.
QString summaryLine(const IntakeCounters& counters, quint64 droppedLines);

} // namespace quendal
