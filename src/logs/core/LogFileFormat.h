#pragma once

#include "logs/core/LogEntry.h"

#include <QByteArray>

namespace quendal {

// A log file is a sequence of entries, oldest first, each three lines ending in CR LF: Time
// (in brackets for an emergency entry), Host, Message. The texts are the received bytes, except
// that a line break would split an entry: line breaks at the end of a text are dropped and those
// inside it are written as blanks, so an entry always stays three lines. And since a Time line
// that starts with '[' and holds a ']' is read as an emergency's, an ordinary entry's Time of
// that shape is written with a blank for its '['.
void appendFileEntry(QByteArray& out, const LogEntryView& entry);

// Time, Host and Message through `appendText`, the Time in brackets for an emergency entry, with
// `separator` between them and `end` after the last: the shape of every one-entry output.
template <typename AppendText>
void appendEntryColumns(QByteArray& out, const LogEntryView& entry, AppendText appendText,
                        const char* separator, const char* end)
{
    const bool emergency = entry.isEmergency();
    if (emergency)
        out.append('[');
    appendText(out, entry.time);
    if (emergency)
        out.append(']');
    out.append(separator);
    appendText(out, entry.host);
    out.append(separator);
    appendText(out, entry.message);
    out.append(end);
}

} // namespace quendal
