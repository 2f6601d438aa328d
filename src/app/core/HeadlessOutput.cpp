#include "app/core/HeadlessOutput.h"

#include "receiver/core/WanStatus.h"

namespace quendal {
namespace {

void appendEscaped(QByteArray& out, QByteArrayView text)
{
    static constexpr char kHex[] = "0123456789abcdef";
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\\') {
            out.append("\\\\");
        } else if (c == '\t') {
            out.append("\\t");
        } else if (c == '\n') {
            out.append("\\n");
        } else if (c == '\r') {
            out.append("\\r");
        } else if (u < 0x20 || u == 0x7f) {
            const char escape[] = {'\\', 'x', kHex[u >> 4], kHex[u & 0x0f]};
            out.append(escape, 4);
        } else {
            out.append(c);
        }
    }
}

} // namespace

void appendEntryLine(QByteArray& out, LogCategory category, const LogEntryView& entry)
{
    out.append(categoryName(category));
    out.append('\t');
    const bool emergency = entry.colour == RED;
    if (emergency)
        out.append('[');
    appendEscaped(out, entry.time);
    if (emergency)
        out.append(']');
    out.append('\t');
    appendEscaped(out, entry.host);
    out.append('\t');
    appendEscaped(out, entry.message);
    out.append('\n');
}

void appendStatusLine(QByteArray& out, const WanStatus& status)
{
    out.append("Status");
    for (int i = 0; i < kWanFieldCount; ++i) {
        const auto field = WanField(i);
        out.append('\t');
        out.append(wanFieldKey(field));
        appendEscaped(out, status.value(field));
    }
    if (const auto mode = status.mode()) {
        out.append("\tBBandMode=");
        appendEscaped(out, *mode);
    }
    out.append('\n');
}

} // namespace quendal
