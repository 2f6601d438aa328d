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
    const qsizetype timeStart = out.size();
    appendEntryColumns(out, entry, appendLineText, "\r\n", "\r\n");
    // Deliberate change to the bytes: a Time line that starts with '[' and holds a ']' reads
    // back as an emergency, so an ordinary entry's leading '[' is written as a blank instead.
    if (!entry.isEmergency() && out.at(timeStart) == '[') {
        const QByteArrayView timeLine =
            QByteArrayView(out).sliced(timeStart, out.indexOf('\r', timeStart) - timeStart);
        if (timeLine.contains(']'))
            out[timeStart] = ' ';
    }
}

} // namespace quendal
