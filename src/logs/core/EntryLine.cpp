#include "logs/core/EntryLine.h"

#include "logs/core/LogFileFormat.h"

#include <algorithm>

namespace quendal {
namespace {

// Bytes that end a run of plain text: ASCII controls, the backslash, and every byte from 0x80 on,
// which is looked at as UTF-8 (most of it then goes on as plain text).
bool endsPlainRun(unsigned char c)
{
    return c < 0x20 || c == 0x7f || c == '\\' || c >= 0x80;
}

bool isContinuation(const char* p, const char* end)
{
    return p < end && (static_cast<unsigned char>(*p) & 0xc0) == 0x80;
}

// The length of the well-formed UTF-8 sequence at `p` (2 to 4), or 0 when there is none.
int utf8SequenceLength(const char* p, const char* end)
{
    const auto lead = static_cast<unsigned char>(p[0]);
    const auto second = p + 1 < end ? static_cast<unsigned char>(p[1]) : 0;
    int length = 0;
    if (lead >= 0xc2 && lead <= 0xdf)
        length = 2;
    else if (lead >= 0xe0 && lead <= 0xef)
        length = 3;
    else if (lead >= 0xf0 && lead <= 0xf4)
        length = 4;
    else
        return 0;
    // No overlong forms, no surrogates, nothing beyond U+10FFFF.
    if ((lead == 0xe0 && second < 0xa0) || (lead == 0xed && second > 0x9f) ||
        (lead == 0xf0 && second < 0x90) || (lead == 0xf4 && second > 0x8f))
        return 0;
    for (int i = 1; i < length; ++i) {
        if (!isContinuation(p + i, end))
            return 0;
    }
    return length;
}

void appendHexEscape(QByteArray& out, unsigned char c)
{
    static constexpr char kHex[] = "0123456789abcdef";
    const char escape[] = {'\\', 'x', kHex[c >> 4], kHex[c & 0x0f]};
    out.append(escape, 4);
}

// Received text without the line breaks at its end, escaped: the log files drop those too.
void appendEscapedLineText(QByteArray& out, QByteArrayView text)
{
    while (!text.isEmpty() && (text.back() == '\n' || text.back() == '\r'))
        text.chop(1);
    appendEscaped(out, text);
}

} // namespace

void appendEscaped(QByteArray& out, QByteArrayView text)
{
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p < end) {
        // Plain bytes go in runs; only the few that need a look are handled one by one.
        const char* run = p;
        while (p < end && !endsPlainRun(static_cast<unsigned char>(*p)))
            ++p;
        out.append(run, p - run);
        if (p == end)
            break;
        const auto c = static_cast<unsigned char>(*p);
        if (c >= 0x80) {
            // UTF-8 goes on as received, except the C1 controls U+0080..U+009F (C2 80..C2 9F),
            // which a terminal obeys like ESC. A byte outside any sequence goes on too, unless it
            // is a C1 control itself (0x80..0x9F, CSI is 0x9B) for a terminal that reads Latin-1.
            const int length = utf8SequenceLength(p, end);
            const bool c1 = length == 2 && c == 0xc2 && static_cast<unsigned char>(p[1]) < 0xa0;
            if (c1) {
                appendHexEscape(out, c);
                appendHexEscape(out, static_cast<unsigned char>(p[1]));
            } else if (length > 0) {
                out.append(p, length);
            } else if (c < 0xa0) {
                appendHexEscape(out, c);
            } else {
                out.append(char(c));
            }
            p += std::max(length, 1);
            continue;
        }
        ++p;
        switch (c) {
        case '\\':
            out.append("\\\\");
            break;
        case '\t':
            out.append("\\t");
            break;
        case '\n':
            out.append("\\n");
            break;
        case '\r':
            out.append("\\r");
            break;
        default:
            appendHexEscape(out, c);
        }
    }
}

void appendEntryLine(QByteArray& out, LogCategory category, const LogEntryView& entry)
{
    out.append(categoryName(category));
    out.append('\t');
    appendEntryColumns(out, entry, appendEscapedLineText, "\t", "\n");
}

} // namespace quendal
