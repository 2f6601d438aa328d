#pragma once

#include "logs/core/LogEntry.h"

#include <QByteArrayView>

namespace quendal {

// Cuts a datagram into Time, Host and Message. `text` is the datagram up to its first zero byte,
// `headerEnd` the position of the '>' closing its priority prefix.
//  - Time: the 15 bytes after the prefix (fewer when the datagram ends earlier).
//  - The byte after the time separates it from the host and belongs to no column.
//  - Host: from there up to the first ':' (searched behind the time, whose own colons do not
//    count); Message: from the second byte after that colon to the end.
//  - Without such a colon the Host is empty and the Message is everything after the separator,
//    so nothing of the datagram is lost.
// Nothing is trimmed. The views point into `text`.
LogEntryView splitEntry(QByteArrayView text, int headerEnd, int severity);

} // namespace quendal
