#pragma once

#include "history/core/HistorySearch.h"

#include <QByteArray>

namespace quendal {

// A found entry as the headless receiver prints one: category, Time, Host and Message,
// tab-separated and escaped, the Time in brackets for an emergency.
void appendHistoryLine(QByteArray& out, const HistoryEntry& found);

// A found entry as one line of JSON: category, time (as written), dated (ISO 8601 with the
// offset, or null), host, message, emergency, file and line. Texts that are not UTF-8 are
// decoded as for display.
void appendHistoryJson(QByteArray& out, const HistoryEntry& found);

// The instant as ISO 8601 in local time with its offset, "2026-12-07T14:18:06+01:00".
QByteArray datedText(qint64 ms);

} // namespace quendal
