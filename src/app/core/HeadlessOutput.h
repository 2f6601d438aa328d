#pragma once

#include "logs/core/EntryLine.h"

#include <QByteArray>

namespace quendal {

class WanStatus;
struct IntakeCounters;

// The status panels as one line: "Status", then key=value for every field and the mode.
void appendStatusLine(QByteArray& out, const WanStatus& status);

// The summary printed on stop, one line. Its first part adds up: every datagram read is counted
// in exactly one of the terms after "=". Then what became of the stored entries (written to
// their files), of the forwards, and of the lines a slow reader of standard output missed.
QString summaryLine(const IntakeCounters& counters, quint64 droppedLines);

} // namespace quendal
