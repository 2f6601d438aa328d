#include "history/core/HistoryOutput.h"

#include "common/core/DisplayText.h"
#include "logs/core/EntryLine.h"

#include <QDateTime>

namespace quendal {
namespace {

// A JSON string of the text. Besides what JSON requires, DEL and the C1 controls are escaped
// too, so that no byte of a received text can act on a terminal.
void appendJsonString(QByteArray& out, const QString& text)
{
    static constexpr char kHex[] = "0123456789abcdef";
    out.append('"');
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if (u == '"' || u == '\\') {
            out.append('\\');
            out.append(char(u));
        } else if (u < 0x20 || (u >= 0x7f && u < 0xa0)) {
            const char escape[] = {'\\', 'u', '0', '0', kHex[u >> 4], kHex[u & 0x0f]};
            out.append(escape, 6);
        } else if (u < 0x80) {
            out.append(char(u));
        } else {
            // A surrogate pair is converted as one character.
            const qsizetype length =
                text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()
                    ? 2
                    : 1;
            out.append(QStringView(text).sliced(i, length).toUtf8());
            i += length - 1;
        }
    }
    out.append('"');
}

void appendJsonBytes(QByteArray& out, QByteArrayView bytes)
{
    appendJsonString(out, decodeForDisplay(bytes));
}

} // namespace

void appendHistoryLine(QByteArray& out, const HistoryEntry& found)
{
    appendEntryLine(out, found.category, found.entry.view());
}

QByteArray datedText(qint64 ms)
{
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(ms);
    return local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODate).toLatin1();
}

void appendHistoryJson(QByteArray& out, const HistoryEntry& found)
{
    out.append("{\"category\":\"");
    out.append(categoryName(found.category));
    out.append("\",\"time\":");
    appendJsonBytes(out, found.entry.time);
    out.append(",\"dated\":");
    if (found.datedMs) {
        out.append('"');
        out.append(datedText(*found.datedMs));
        out.append('"');
    } else {
        out.append("null");
    }
    out.append(",\"host\":");
    appendJsonBytes(out, found.entry.host);
    out.append(",\"message\":");
    appendJsonBytes(out, found.entry.message);
    out.append(",\"emergency\":");
    out.append(found.entry.isEmergency() ? "true" : "false");
    out.append(",\"file\":");
    appendJsonString(out, found.file);
    out.append(",\"line\":");
    out.append(QByteArray::number(found.line));
    out.append("}\n");
}

} // namespace quendal
