#include "logs/core/EntrySplitter.h"

#include "logs/core/HeaderForm.h"
#include "logs/core/Rfc5424Header.h"

#include <QDateTime>

#include <algorithm>

namespace quendal {
namespace {

// Room for the largest datagram rearranged, with the separators the message gains.
constexpr size_t kMessageReserve = 2048;

// The part of `text` from `from` to `to`, clamped to the text; empty when the range is.
QByteArrayView slice(QByteArrayView text, qsizetype from, qsizetype to)
{
    from = std::clamp<qsizetype>(from, 0, text.size());
    to = std::clamp<qsizetype>(to, from, text.size());
    return text.sliced(from, to - from);
}

void append(std::string& out, QByteArrayView bytes)
{
    out.append(bytes.data(), size_t(bytes.size()));
}

// `message` without its trailing CR and LF bytes, which stay at the very end.
qsizetype lengthBeforeLineEnd(QByteArrayView message)
{
    qsizetype n = message.size();
    while (n > 0 && (message[n - 1] == '\n' || message[n - 1] == '\r'))
        --n;
    return n;
}

// "Mmm dd hh:mm:ss", the day padded with a blank, with English month names whatever the locale.
void writeClassicTime(std::array<char, 15>& out, const QDateTime& t)
{
    static constexpr char kMonths[] = "JanFebMarAprMayJunJulAugSepOctNovDec";
    const auto twoDigits = [](char* at, int value, char pad) {
        at[0] = value >= 10 ? char('0' + value / 10) : pad;
        at[1] = char('0' + value % 10);
    };
    const QDate date = t.date();
    const QTime time = t.time();
    std::copy_n(kMonths + 3 * (date.month() - 1), 3, out.data());
    out[3] = ' ';
    twoDigits(out.data() + 4, date.day(), ' ');
    out[6] = ' ';
    twoDigits(out.data() + 7, time.hour(), '0');
    out[9] = ':';
    twoDigits(out.data() + 10, time.minute(), '0');
    out[12] = ':';
    twoDigits(out.data() + 13, time.second(), '0');
}

} // namespace

LogEntryView splitEntry(QByteArrayView text, int headerEnd, int severity)
{
    constexpr qsizetype kTimeLength = 15;
    const qsizetype timeStart = qsizetype(headerEnd) + 1;
    const qsizetype separator = timeStart + kTimeLength;
    const qsizetype hostStart = separator + 1;

    LogEntryView entry;
    entry.severity = severityOf(severity);
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

EntrySplitter::EntrySplitter(Clock clock) : clock_(std::move(clock))
{
    if (!clock_)
        clock_ = [] {
            return QDateTime::currentSecsSinceEpoch();
        };
    message_.reserve(kMessageReserve);
}

LogEntryView EntrySplitter::split(QByteArrayView text, int headerEnd, int severity,
                                  const QString& sender)
{
    const QByteArrayView body = slice(text, qsizetype(headerEnd) + 1, text.size());
    LogEntryView entry;
    switch (recogniseHeaderForm(body)) {
    case HeaderForm::Classic:
    case HeaderForm::Unknown:
        return splitEntry(text, headerEnd, severity);
    case HeaderForm::Rfc5424:
        entry = splitRfc5424(body, sender);
        break;
    case HeaderForm::Rfc3339:
        entry = splitRfc3339(body, sender);
        break;
    case HeaderForm::Headerless:
        entry = splitHeaderless(body, sender);
        break;
    }
    entry.severity = severityOf(severity);
    return entry;
}

LogEntryView EntrySplitter::splitRfc5424(QByteArrayView body, const QString& sender)
{
    const Rfc5424Header h = parseRfc5424Header(body);

    // APP-NAME[PROCID] MSGID: the classic tag, with whatever of it was sent.
    message_.clear();
    append(message_, h.appName);
    if (!h.procId.isEmpty()) {
        message_ += '[';
        append(message_, h.procId);
        message_ += ']';
    }
    if (!h.msgId.isEmpty()) {
        if (!message_.empty())
            message_ += ' ';
        append(message_, h.msgId);
    }
    const bool tagged = !message_.empty();
    if (tagged) {
        message_ += ':';
        if (!h.message.isEmpty() || !h.structuredData.isEmpty())
            message_ += ' ';
    }

    const qsizetype textLength = lengthBeforeLineEnd(h.message);
    append(message_, h.message.first(textLength));
    if (!h.structuredData.isEmpty()) {
        if (textLength > 0)
            message_ += ' ';
        append(message_, h.structuredData);
    }
    append(message_, h.message.sliced(textLength));

    LogEntryView entry;
    entry.time = h.timestamp;
    entry.host = h.hostname.isEmpty() ? senderBytes(sender) : h.hostname;
    entry.message = QByteArrayView(message_.data(), qsizetype(message_.size()));
    return entry;
}

LogEntryView EntrySplitter::splitRfc3339(QByteArrayView body, const QString& sender)
{
    LogEntryView entry;
    qsizetype blank = body.indexOf(' ');
    if (blank < 0) {
        entry.time = body;
        entry.host = senderBytes(sender);
        return entry;
    }
    entry.time = body.first(blank);
    const qsizetype hostStart = blank + 1;
    blank = body.indexOf(' ', hostStart);
    const qsizetype hostEnd = blank < 0 ? body.size() : blank;
    entry.host = body.sliced(hostStart, hostEnd - hostStart);
    if (entry.host.isEmpty())
        entry.host = senderBytes(sender);
    entry.message = slice(body, hostEnd + 1, body.size());
    return entry;
}

LogEntryView EntrySplitter::splitHeaderless(QByteArrayView body, const QString& sender)
{
    LogEntryView entry;
    entry.time = arrivalTime();
    entry.host = senderBytes(sender);
    entry.message = body;
    return entry;
}

QByteArrayView EntrySplitter::senderBytes(const QString& sender)
{
    if (sender != lastSender_ || lastSenderBytes_.isNull()) {
        lastSender_ = sender;
        lastSenderBytes_ = sender.toUtf8();
    }
    return lastSenderBytes_;
}

QByteArrayView EntrySplitter::arrivalTime()
{
    const qint64 now = clock_();
    if (now != arrivalSecond_) {
        arrivalSecond_ = now;
        writeClassicTime(arrivalText_, QDateTime::fromSecsSinceEpoch(now).toLocalTime());
    }
    return QByteArrayView(arrivalText_.data(), qsizetype(arrivalText_.size()));
}

} // namespace quendal
