// Header forms: recognising the form behind the priority prefix, reading an RFC 5424 header and
// the splitter that cuts each form its own way. The first byte chooses the prefix end, the
// severity and the sender; the rest is the datagram's text.
#include "FuzzSupport.h"
#include "logs/core/EntrySplitter.h"
#include "logs/core/HeaderForm.h"
#include "logs/core/Rfc5424Header.h"

#include <array>
#include <cstdint>

namespace quendal {
namespace {

// The most bytes the splitter adds to an RFC 5424 message: '[' and ']' around PROCID, a blank
// before MSGID, ": " behind the tag and a blank before the structured data.
constexpr qsizetype kAddedSeparators = 6;
// The most bytes an RFC 5424 header drops: a version of up to three digits, the blanks behind
// it and behind the five parts after it and behind the structured data, six nil values and
// MSG's byte order mark.
constexpr qsizetype kMostDropped = 3 + 7 + 6 + 3;
constexpr qsizetype kArrivalTimeLength = 15;

qint64 g_now = 0;
volatile unsigned g_touched = 0;

bool isDisjoint(QByteArrayView part, QByteArrayView whole)
{
    const auto start = reinterpret_cast<uintptr_t>(part.data());
    const auto wholeStart = reinterpret_cast<uintptr_t>(whole.data());
    return part.isEmpty() || start + uintptr_t(part.size()) <= wholeStart ||
           start >= wholeStart + uintptr_t(whole.size());
}

// Reads every byte, so that AddressSanitizer sees a view into freed or foreign memory.
unsigned touch(QByteArrayView part)
{
    unsigned sum = 0;
    for (char c : part)
        sum += uint8_t(c);
    return sum;
}

// A view lies wholly inside the datagram or wholly outside it (the splitter's own buffers).
void checkView(QByteArrayView part, QByteArrayView text)
{
    FUZZ_CHECK(fuzz::isInside(part, text) || isDisjoint(part, text));
    g_touched = g_touched + touch(part);
}

// Every part of an RFC 5424 header lies in the body, in order, and nothing of it but the
// version, blanks, nil values and the byte order mark is dropped; MSG runs to the body's end.
void checkRfc5424Header(const Rfc5424Header& h, QByteArrayView body)
{
    const std::array<QByteArrayView, 7> parts = {h.timestamp, h.hostname,       h.appName, h.procId,
                                                 h.msgId,     h.structuredData, h.message};
    const char* previousEnd = body.data();
    qsizetype kept = 0;
    for (QByteArrayView part : parts) {
        FUZZ_CHECK(fuzz::isInside(part, body));
        if (part.isEmpty())
            continue;
        FUZZ_CHECK(part.data() >= previousEnd);
        previousEnd = part.data() + part.size();
        kept += part.size();
    }
    FUZZ_CHECK(body.size() - kept <= kMostDropped);
    FUZZ_CHECK(h.message.isEmpty() || h.message.data() + h.message.size() == body.end());
    for (QByteArrayView part : {h.timestamp, h.hostname, h.appName, h.procId, h.msgId})
        FUZZ_CHECK(!part.contains(' ') && part != "-");
    FUZZ_CHECK(h.structuredData.isEmpty() || h.structuredData.startsWith('['));
}

bool sameEntry(const LogEntryView& a, const LogEntryView& b)
{
    return a.time == b.time && a.host == b.host && a.message == b.message &&
           a.severity == b.severity;
}

// The very same views as the routers' split, not only the same bytes.
bool identicalViews(const LogEntryView& a, const LogEntryView& b)
{
    const auto same = [](QByteArrayView x, QByteArrayView y) {
        return x.size() == y.size() && (x.isEmpty() || x.data() == y.data());
    };
    return same(a.time, b.time) && same(a.host, b.host) && same(a.message, b.message) &&
           a.severity == b.severity;
}

void checkSplit(EntrySplitter& splitter, QByteArrayView text, int headerEnd, int severity,
                const QString& sender)
{
    const QByteArray senderBytes = sender.toUtf8();
    const QByteArrayView body =
        headerEnd + 1 < text.size() ? text.sliced(headerEnd + 1) : QByteArrayView();
    const HeaderForm form = recogniseHeaderForm(body);
    const LogEntryView entry = splitter.split(text, headerEnd, severity, sender);

    checkView(entry.time, text);
    checkView(entry.host, text);
    checkView(entry.message, text);
    FUZZ_CHECK(entry.isEmergency() == (severity == 0));
    FUZZ_CHECK(entry.time.size() + entry.host.size() + entry.message.size() <=
               text.size() + kArrivalTimeLength + senderBytes.size() + kAddedSeparators);

    switch (form) {
    case HeaderForm::Classic:
    case HeaderForm::Unknown:
        FUZZ_CHECK(identicalViews(entry, splitEntry(text, headerEnd, severity)));
        break;
    case HeaderForm::Rfc5424: {
        const Rfc5424Header h = parseRfc5424Header(body);
        checkRfc5424Header(h, body);
        FUZZ_CHECK(entry.time.data() == h.timestamp.data() && entry.time == h.timestamp);
        FUZZ_CHECK(entry.host == (h.hostname.isEmpty() ? QByteArrayView(senderBytes) : h.hostname));
        // Nothing of MSG is lost and the structured data is kept: MSG's text, then the data,
        // then MSG's line end at the very end.
        qsizetype textLength = h.message.size();
        while (textLength > 0 &&
               (h.message[textLength - 1] == '\n' || h.message[textLength - 1] == '\r'))
            --textLength;
        const QByteArrayView msgText = h.message.first(textLength);
        const QByteArrayView lineEnd = h.message.sliced(textLength);
        FUZZ_CHECK(entry.message.endsWith(lineEnd));
        const QByteArrayView beforeLineEnd = entry.message.chopped(lineEnd.size());
        FUZZ_CHECK(beforeLineEnd.endsWith(h.structuredData));
        FUZZ_CHECK(beforeLineEnd.chopped(h.structuredData.size()).contains(msgText));
        FUZZ_CHECK(entry.message.contains(h.appName) && entry.message.contains(h.procId) &&
                   entry.message.contains(h.msgId));
        break;
    }
    case HeaderForm::Rfc3339:
        FUZZ_CHECK(startsWithIsoDate(body));
        // The time starts the body and the message ends it: nothing but two blanks is dropped.
        FUZZ_CHECK(entry.time.data() == body.data() && !entry.time.contains(' '));
        FUZZ_CHECK(entry.message.isEmpty() || entry.message.end() == body.end());
        FUZZ_CHECK(!entry.host.isEmpty() || senderBytes.isEmpty());
        if (fuzz::isInside(entry.host, body) && !entry.host.isEmpty())
            FUZZ_CHECK(body.size() - entry.time.size() - entry.host.size() - entry.message.size() <=
                       2);
        break;
    case HeaderForm::Headerless:
        // All of the text behind the prefix, stamped with the arrival time and the sender.
        FUZZ_CHECK(!startsWithIsoDate(body));
        FUZZ_CHECK(entry.message == body &&
                   (body.isEmpty() || entry.message.data() == body.data()));
        FUZZ_CHECK(entry.host == QByteArrayView(senderBytes));
        FUZZ_CHECK(entry.time.size() == kArrivalTimeLength && entry.time[3] == ' ' &&
                   entry.time[9] == ':' && entry.time[12] == ':');
        break;
    }

    // Reusing the splitter's buffers does not change what the same datagram gives.
    const LogEntry first = LogEntry::from(entry);
    FUZZ_CHECK(sameEntry(splitter.split(text, headerEnd, severity, sender), first.view()));
}

} // namespace
} // namespace quendal

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace quendal;
    // One splitter for the whole run, as one serves one stream of datagrams.
    static EntrySplitter splitter([] { return g_now; });
    static const std::array<QString, 4> senders = {QStringLiteral("192.168.1.1"),
                                                   QStringLiteral("::1"),
                                                   QStringLiteral("fe80::1%eth0"), QString()};

    fuzz::FuzzInput input(data, size);
    const uint8_t choice = input.byte();
    const QByteArrayView text = input.rest();
    const int headerEnd = choice & 7;
    const int severity = (choice >> 3) & 7;
    const QString& sender = senders[choice >> 6];
    // A second in December 2026, or one a few months either side.
    g_now = 1796652000 + qint64(choice >> 6) * 86400 * 40 - qint64(text.size()) * 3607;

    checkSplit(splitter, text, headerEnd, severity, sender);

    // Any text behind a classic router header is split as the routers' split always did.
    QByteArray classic("<134>Dec  7 14:18:06 ");
    classic.append(text);
    FUZZ_CHECK(recogniseHeaderForm(QByteArrayView(classic).sliced(5)) == HeaderForm::Classic);
    const LogEntryView entry = splitter.split(classic, 4, 6, sender);
    FUZZ_CHECK(identicalViews(entry, splitEntry(classic, 4, 6)));
    FUZZ_CHECK(entry.time == "Dec  7 14:18:06");
    checkSplit(splitter, classic, 4, 6, sender);
    return 0;
}
