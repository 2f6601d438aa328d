#include "logs/core/LogFileFormat.h"

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
    for (qsizetype i = start; i < out.size(); ++i) {
        if (isLineBreak(out[i]))
            out[i] = ' ';
    }
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
