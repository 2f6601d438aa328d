#include "logs/core/LogFileFormat.h"

#include <algorithm>

namespace quendal {
namespace {

bool isLineBreak(char c)
{
    return c == '\n' || c == '\r';
}

void appendLineText(QByteArray& out, QByteArrayView text)
{
    qsizetype end = text.size();
    while (end > 0 && isLineBreak(text[end - 1]))
        --end;
    const qsizetype start = out.size();
    out.append(text.first(end));
    char* const first = out.data() + start;
    std::replace_if(first, first + end, isLineBreak, ' ');
}

} // namespace

void appendFileEntry(QByteArray& out, const LogEntryView& entry)
{
    const bool emergency = entry.colour == RED;
    if (emergency)
        out.append('[');
    appendLineText(out, entry.time);
    if (emergency)
        out.append(']');
    out.append("\r\n");
    appendLineText(out, entry.host);
    out.append("\r\n");
    appendLineText(out, entry.message);
    out.append("\r\n");
}

} // namespace quendal
