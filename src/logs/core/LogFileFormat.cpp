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
    appendEntryColumns(out, entry, appendLineText, "\r\n", "\r\n");
}

} // namespace quendal
