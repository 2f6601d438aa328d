#include "logs/core/EntryLine.h"

#include "logs/core/LogFileFormat.h"

namespace quendal {
namespace {

bool needsEscape(unsigned char c)
{
    return c < 0x20 || c == 0x7f || c == '\\';
}

} // namespace

void appendEscaped(QByteArray& out, QByteArrayView text)
{
    static constexpr char kHex[] = "0123456789abcdef";
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p < end) {
        // Plain bytes go in runs; only the few that need an escape are handled one by one.
        const char* run = p;
        while (p < end && !needsEscape(static_cast<unsigned char>(*p)))
            ++p;
        out.append(run, p - run);
        if (p == end)
            break;
        const auto c = static_cast<unsigned char>(*p++);
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
        default: {
            const char escape[] = {'\\', 'x', kHex[c >> 4], kHex[c & 0x0f]};
            out.append(escape, 4);
        }
        }
    }
}

void appendEntryLine(QByteArray& out, LogCategory category, const LogEntryView& entry)
{
    out.append(categoryName(category));
    out.append('\t');
    appendEntryColumns(out, entry, appendEscaped, "\t", "\n");
}

} // namespace quendal
