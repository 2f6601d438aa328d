#include "logs/core/EntrySplitter.h"

#include <algorithm>

namespace quendal {
namespace {

// The part of `text` from `from` to `to`, clamped to the text; empty when the range is.
QByteArrayView slice(QByteArrayView text, qsizetype from, qsizetype to)
{
    from = std::clamp<qsizetype>(from, 0, text.size());
    to = std::clamp<qsizetype>(to, from, text.size());
    return text.sliced(from, to - from);
}

} // namespace

LogEntryView splitEntry(QByteArrayView text, int headerEnd, int severity)
{
    constexpr qsizetype kTimeLength = 15;
    const qsizetype timeStart = qsizetype(headerEnd) + 1;
    const qsizetype separator = timeStart + kTimeLength;
    const qsizetype hostStart = separator + 1;

    LogEntryView entry;
    entry.colour = colourForSeverity(severity);
    entry.time = slice(text, timeStart, separator);

    const qsizetype colon = separator < text.size() ? text.indexOf(':', separator) : -1;
    if (colon < 0) {
        entry.message = slice(text, hostStart, text.size());
        return entry;
    }
    entry.host = slice(text, hostStart, colon);
    entry.message = slice(text, colon + 2, text.size());
    return entry;
}

} // namespace quendal
