#include "forward/core/Rfc5424Message.h"

#include "logs/core/EntrySplitter.h"
#include "logs/core/HeaderForm.h"
#include "logs/core/Rfc5424Header.h"

#include <QTimeZone>

namespace quendal {

namespace {

constexpr QByteArrayView kNil = "-";
constexpr QByteArrayView kByteOrderMark = "\xEF\xBB\xBF";
constexpr qsizetype kHostNameMax = 255;
constexpr qsizetype kAppNameMax = 48;
constexpr qsizetype kProcIdMax = 128;
constexpr qsizetype kMsgIdMax = 32;
constexpr QByteArrayView kOriginId = "origin";

// A header field as RFC 5424 allows it: printable US-ASCII without blanks, at most `max`
// bytes, "-" when empty. Other bytes become '_' so that the field keeps its length and place.
void appendField(QByteArray& out, QByteArrayView value, qsizetype max)
{
    if (value.isEmpty()) {
        out += kNil;
        return;
    }
    for (const char c : value.first(qMin(value.size(), max)))
        out += c > ' ' && c < '\x7f' ? c : '_';
}

// The PRI part as received when it is one ("<0>" to "<191>"); otherwise the priority the
// receiver read from it, and user.notice for text without any.
QByteArray priorityPart(QByteArrayView text, qsizetype* headerEnd)
{
    *headerEnd = -1;
    if (text.isEmpty() || text.front() != '<')
        return QByteArrayLiteral("<13>");
    for (qsizetype i = 1; i <= 4 && i < text.size(); ++i) {
        if (text[i] == '>') {
            *headerEnd = i;
            break;
        }
    }
    if (*headerEnd < 0)
        return QByteArrayLiteral("<13>");
    int value = 0;
    bool digits = *headerEnd > 1;
    for (qsizetype i = 1; i < *headerEnd; ++i) {
        digits = digits && text[i] >= '0' && text[i] <= '9';
        value = value * 10 + (static_cast<unsigned char>(text[i]) & 0x0F);
    }
    if (digits && value <= 191)
        return text.first(*headerEnd + 1).toByteArray();
    return '<' + QByteArray::number(qMin(value, 191)) + '>';
}

bool isDigits(QByteArrayView text, qsizetype from, qsizetype count)
{
    if (from + count > text.size())
        return false;
    for (qsizetype i = from; i < from + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
    }
    return true;
}

// Whether `time` is a complete RFC 3339 time with its offset, as TIMESTAMP requires:
// "2026-12-08T14:20:01.123456+01:00" (fraction optional, at most 6 digits; or "Z").
bool isFullTime(QByteArrayView time)
{
    if (time.size() < 20 || !isDigits(time, 0, 4) || time[4] != '-' || !isDigits(time, 5, 2) ||
        time[7] != '-' || !isDigits(time, 8, 2) || (time[10] != 'T' && time[10] != 't') ||
        !isDigits(time, 11, 2) || time[13] != ':' || !isDigits(time, 14, 2) || time[16] != ':' ||
        !isDigits(time, 17, 2))
        return false;
    qsizetype at = 19;
    if (time[at] == '.') {
        qsizetype digits = 0;
        while (at + 1 + digits < time.size() && isDigits(time, at + 1 + digits, 1))
            ++digits;
        if (digits < 1 || digits > 6)
            return false;
        at += 1 + digits;
    }
    const QByteArrayView offset = time.sliced(at);
    const bool zone = offset == "Z" || offset == "z" ||
                      (offset.size() == 6 && (offset[0] == '+' || offset[0] == '-') &&
                       isDigits(offset, 1, 2) && offset[3] == ':' && isDigits(offset, 4, 2));
    if (!zone)
        return false;
    const QDateTime parsed =
        QDateTime::fromString(QString::fromLatin1(time.toByteArray().toUpper()), Qt::ISODateWithMs);
    return parsed.isValid();
}

void appendTimestamp(QByteArray& out, QByteArrayView own, const ArrivalTime& arrival)
{
    if (isFullTime(own))
        out += own.toByteArray().toUpper();
    else
        out += arrival.timestamp;
}

// The origin element's parameter naming the router, its value escaped as SD-PARAM needs.
QByteArray originParameter(const QString& sender)
{
    QByteArray value;
    for (const char c : sender.toUtf8()) {
        if (c == '"' || c == '\\' || c == ']')
            value += '\\';
        value += c;
    }
    return "ip=\"" + value + '"';
}

// Where the structured data's elements end, and the closing bracket of an "origin" element
// among them (-1 when there is none); nullopt when it is not well formed.
struct ElementScan
{
    qsizetype originClose = -1;
};
std::optional<ElementScan> scanElements(QByteArrayView sd)
{
    ElementScan scan;
    qsizetype at = 0;
    while (at < sd.size()) {
        if (sd[at] != '[')
            return std::nullopt;
        qsizetype idEnd = at + 1;
        while (idEnd < sd.size() && sd[idEnd] != ' ' && sd[idEnd] != ']')
            ++idEnd;
        const QByteArrayView id = sd.sliced(at + 1, idEnd - at - 1);
        qsizetype close = idEnd;
        bool quoted = false;
        for (; close < sd.size(); ++close) {
            const char c = sd[close];
            if (quoted && c == '\\')
                ++close;
            else if (c == '"')
                quoted = !quoted;
            else if (!quoted && c == ']')
                break;
        }
        if (close >= sd.size() || id.isEmpty())
            return std::nullopt;
        if (id == kOriginId && scan.originClose < 0)
            scan.originClose = close;
        at = close + 1;
    }
    return scan;
}

// "[origin ip=...]" added to the structured data as received, or its parameter merged into the
// origin element already there (an SD-ID appears once). `message` receives what follows.
QByteArray structuredData(QByteArrayView received, const QString& sender, QByteArray* prefix)
{
    const QByteArray parameter = originParameter(sender);
    const std::optional<ElementScan> scan = scanElements(received);
    if (!scan) {
        // Not structured data after all: it stays in front of the message.
        *prefix = received.toByteArray();
        return "[origin " + parameter + ']';
    }
    QByteArray sd = received.toByteArray();
    if (scan->originClose >= 0)
        sd.insert(scan->originClose, ' ' + parameter);
    else
        sd += "[origin " + parameter + ']';
    return sd;
}

// A classic tag "APP-NAME[PROCID]" or "APP-NAME".
void splitTag(QByteArrayView tag, QByteArrayView* appName, QByteArrayView* procId)
{
    const qsizetype open = tag.indexOf('[');
    if (open > 0 && tag.endsWith(']')) {
        *appName = tag.first(open);
        *procId = tag.sliced(open + 1, tag.size() - open - 2);
    } else {
        *appName = tag;
    }
}

bool looksLikeTag(QByteArrayView word)
{
    return !word.isEmpty() && !word.contains(' ') && word.size() <= kAppNameMax + kProcIdMax + 2;
}

struct Fields
{
    QByteArrayView time;
    QByteArrayView host;
    QByteArrayView appName;
    QByteArrayView procId;
    QByteArrayView msgId;
    QByteArray sdPrefix; // text that stood where structured data goes
    QByteArray structuredData;
    QByteArrayView message;
};

QByteArray compose(QByteArrayView pri, const Fields& f, const ArrivalTime& arrival)
{
    QByteArray out;
    out.reserve(pri.size() + 64 + f.host.size() + f.structuredData.size() + f.sdPrefix.size() +
                f.message.size());
    out += pri;
    out += "1 ";
    appendTimestamp(out, f.time, arrival);
    out += ' ';
    appendField(out, f.host, kHostNameMax);
    out += ' ';
    appendField(out, f.appName, kAppNameMax);
    out += ' ';
    appendField(out, f.procId, kProcIdMax);
    out += ' ';
    appendField(out, f.msgId, kMsgIdMax);
    out += ' ';
    out += f.structuredData;
    if (!f.sdPrefix.isEmpty() || !f.message.isEmpty()) {
        out += ' ';
        out += f.sdPrefix;
        if (!f.sdPrefix.isEmpty() && !f.message.isEmpty())
            out += ' ';
        out += f.message;
    }
    return out;
}

} // namespace

QByteArray rfc5424Timestamp(const QDateTime& time)
{
    const int offset = time.offsetFromUtc();
    const QDateTime local = time.toOffsetFromUtc(offset);
    QByteArray text = local.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")).toLatin1();
    if (offset == 0)
        return text + 'Z';
    const int minutes = qAbs(offset) / 60;
    text += offset < 0 ? '-' : '+';
    text += QByteArray::number(minutes / 60).rightJustified(2, '0') + ':' +
            QByteArray::number(minutes % 60).rightJustified(2, '0');
    return text;
}

ArrivalTime ArrivalTimestamps::at(qint64 msSinceEpoch)
{
    const qint64 second = msSinceEpoch / 1000 - (msSinceEpoch % 1000 < 0);
    if (second != second_ || text_.isEmpty()) {
        second_ = second;
        text_ = rfc5424Timestamp(QDateTime::fromSecsSinceEpoch(second));
    }
    const qsizetype at = text_.indexOf('.') + 1;
    const int ms = int(msSinceEpoch - second * 1000);
    text_[at] = char('0' + ms / 100);
    text_[at + 1] = char('0' + ms / 10 % 10);
    text_[at + 2] = char('0' + ms % 10);
    return {second, text_};
}

QByteArray forwardedMessage(ForwardFormat format, QByteArrayView received,
                            const QString& senderAddress, const QDateTime& arrival)
{
    const QByteArray timestamp = rfc5424Timestamp(arrival);
    return forwardedMessage(format, received, senderAddress,
                            ArrivalTime{arrival.toSecsSinceEpoch(), timestamp});
}

QByteArray forwardedMessage(ForwardFormat format, QByteArrayView received,
                            const QString& senderAddress, const ArrivalTime& arrival)
{
    if (format == ForwardFormat::AsReceived)
        return received.toByteArray();

    qsizetype headerEnd = -1;
    const QByteArray pri = priorityPart(received, &headerEnd);
    const QByteArrayView body = received.sliced(headerEnd + 1);
    const QByteArray senderBytes = senderAddress.toUtf8();
    Fields f;
    f.host = senderBytes;

    const HeaderForm form = headerEnd < 0 ? HeaderForm::Headerless : recogniseHeaderForm(body);
    if (form == HeaderForm::Rfc5424) {
        const Rfc5424Header h = parseRfc5424Header(body);
        f.time = h.timestamp;
        if (!h.hostname.isEmpty())
            f.host = h.hostname;
        f.appName = h.appName;
        f.procId = h.procId;
        f.msgId = h.msgId;
        f.structuredData = structuredData(h.structuredData, senderAddress, &f.sdPrefix);
        f.message = h.message;
        // MSG unchanged, its byte order mark too.
        if (!f.message.isEmpty()) {
            const qsizetype start = f.message.data() - body.data();
            if (start >= kByteOrderMark.size() &&
                body.sliced(start - kByteOrderMark.size()).startsWith(kByteOrderMark))
                f.message = body.sliced(start - kByteOrderMark.size());
        }
        return compose(pri, f, arrival);
    }

    f.structuredData = "[origin " + originParameter(senderAddress) + ']';
    if (form == HeaderForm::Headerless) {
        f.message = body;
        return compose(pri, f, arrival);
    }

    EntrySplitter splitter([&arrival] { return arrival.secs; });
    const LogEntryView entry = splitter.split(received, int(headerEnd), 0, senderAddress);
    f.message = entry.message;
    if (form == HeaderForm::Rfc3339) {
        f.time = entry.time;
        f.host = entry.host;
        // "APP-NAME[PROCID]: text" behind the host.
        const qsizetype colon = f.message.indexOf(':');
        if (colon > 0 && looksLikeTag(f.message.first(colon))) {
            splitTag(f.message.first(colon), &f.appName, &f.procId);
            f.message = f.message.sliced(colon + 1);
            if (f.message.startsWith(' '))
                f.message = f.message.sliced(1);
        }
        return compose(pri, f, arrival);
    }

    // The routers' classic header: the Host column runs to the first colon. "host tag[pid]" in
    // it names both; "tag[pid]" alone is a program on a sender that names no host.
    if (!entry.host.isEmpty()) {
        const qsizetype colon = (entry.host.data() + entry.host.size()) - received.data();
        f.message = received.sliced(colon + 1);
        if (f.message.startsWith(' '))
            f.message = f.message.sliced(1);
        const qsizetype blank = entry.host.indexOf(' ');
        const QByteArrayView rest = blank < 0 ? QByteArrayView() : entry.host.sliced(blank + 1);
        if (blank > 0 && looksLikeTag(rest)) {
            f.host = entry.host.first(blank);
            splitTag(rest, &f.appName, &f.procId);
        } else if (blank < 0 && entry.host.endsWith(']') && entry.host.indexOf('[') > 0) {
            splitTag(entry.host, &f.appName, &f.procId);
        } else {
            f.host = entry.host;
        }
    }
    return compose(pri, f, arrival);
}

} // namespace quendal
