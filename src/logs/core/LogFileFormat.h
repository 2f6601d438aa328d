#pragma once

#include "logs/core/LogEntry.h"

#include <QByteArray>

namespace quendal {

// A log file is a sequence of entries, oldest first, each three lines ending in CR LF: Time
// (in brackets for an emergency entry), Host, Message. The texts are the received bytes, except
// that a line break would split an entry: line breaks at the end of a text are dropped and those
// inside it are written as blanks, so an entry always stays three lines.
void appendFileEntry(QByteArray& out, const LogEntryView& entry);

} // namespace quendal
