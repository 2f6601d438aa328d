#include "logs/gui/EntryCopyText.h"

#include "common/core/DisplayText.h"
#include "logs/core/LogList.h"
#include "logs/core/SeverityText.h"

#include <QStringDecoder>

namespace quendal {
namespace {

QString oneLine(QByteArrayView bytes)
{
    QString text = decodeForDisplay(bytes);
    for (QChar& c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u == 0x7F || u == 0x2028 || u == 0x2029)
            c = QLatin1Char(' ');
    }
    return text;
}

template <typename Row> QString joinRows(int first, int last, Row row)
{
    QString text;
    for (int r = first; r <= last; ++r) {
        row(r, text);
        text += QLatin1Char('\n');
    }
    return text;
}

} // namespace

LogEntry entryAt(const QAbstractItemModel& model, int row)
{
    const auto bytes = [&](int column) {
        return model.data(model.index(row, column), LogList::BytesRole).toByteArray();
    };
    return {bytes(LogList::TimeColumn), bytes(LogList::HostColumn), bytes(LogList::MessageColumn),
            severityOf(model.data(model.index(row, 0), LogList::SeverityRole).toInt()),
            bytes(LogList::SenderColumn)};
}

QString copyRowsText(const QAbstractItemModel& model, int first, int last,
                     const QList<int>& columns)
{
    const auto field = [](const LogEntry& entry, int column) {
        switch (column) {
        case LogList::TimeColumn:
            return oneLine(entry.time);
        case LogList::HostColumn:
            return oneLine(entry.host);
        case LogList::SeverityColumn:
            return severityText(entry.severity);
        case LogList::SenderColumn:
            return oneLine(entry.sender);
        default:
            return oneLine(entry.message);
        }
    };
    return joinRows(first, std::min(last, model.rowCount() - 1), [&](int r, QString& text) {
        const LogEntry entry = entryAt(model, r);
        for (qsizetype i = 0; i < columns.size(); ++i) {
            if (i > 0)
                text += QLatin1Char('\t');
            text += field(entry, columns.at(i));
        }
    });
}

QString copyMessagesText(const QAbstractItemModel& model, int first, int last)
{
    return joinRows(first, std::min(last, model.rowCount() - 1),
                    [&model](int r, QString& text) { text += oneLine(entryAt(model, r).message); });
}

bool hasHiddenBytes(QByteArrayView bytes)
{
    for (char b : bytes) {
        const auto u = static_cast<unsigned char>(b);
        if (u < 0x20 || u == 0x7F)
            return true;
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    (void)QString(utf8.decode(bytes));
    return utf8.hasError();
}

QString hexLines(QByteArrayView bytes)
{
    constexpr qsizetype kPerLine = 16;
    QString text;
    for (qsizetype i = 0; i < bytes.size(); i += kPerLine) {
        if (i > 0)
            text += QLatin1Char('\n');
        text += QString::fromLatin1(
            bytes.sliced(i, std::min(kPerLine, bytes.size() - i)).toByteArray().toHex(' '));
    }
    return text;
}

} // namespace quendal
