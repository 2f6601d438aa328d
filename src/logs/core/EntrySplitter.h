#pragma once

#include "logs/core/LogEntry.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <array>
#include <functional>
#include <string>

namespace quendal {

// Cuts a datagram into Time, Host and Message. `text` is the datagram up to its first zero byte,
// `headerEnd` the position of the '>' closing its priority prefix.
//  - Time: the 15 bytes after the prefix (fewer when the datagram ends earlier).
//  - The byte after the time separates it from the host and belongs to no column.
//  - Host: from there up to the first ':' (searched behind the time, whose own colons do not
//    count); Message: from the second byte after that colon to the end.
//  - Without such a colon the Host is empty and the Message is everything after the separator,
//    so nothing of the datagram is lost.
// Nothing is trimmed. The views point into `text`. This is the routers' own split.
LogEntryView splitEntry(QByteArrayView text, int headerEnd, int severity);

// Splits each datagram by the form of its header (see HeaderForm.h):
//  - the routers' classic header, and anything it does not recognise, by splitEntry above,
//    byte for byte;
//  - RFC 5424: Time the timestamp as sent (empty for "-"), Host the HOSTNAME (the sender for
//    "-"), Message "APP-NAME[PROCID] MSGID: MSG [STRUCTURED-DATA]" without the parts that are "-"
//    and without MSG's byte order mark; the structured data goes before a trailing line break;
//  - an RFC 3339 time in the classic layout: Time that time, Host the word behind it (the sender
//    when there is none), Message the rest;
//  - no header: Time the arrival time as "Mmm dd hh:mm:ss" in local time (a single-digit day
//    padded with a blank, as in RFC 3164), Host the sender, Message all of the text.
// One splitter serves one stream of datagrams: the views it returns stay valid until its next
// split, and point into `text` or into the splitter's own buffers, which are reused (no memory
// is allocated per datagram once a sender and a second have been seen).
class EntrySplitter
{
public:
    // Seconds since the epoch, when a datagram arrived.
    using Clock = std::function<qint64()>;

    // Without a clock, the system's.
    explicit EntrySplitter(Clock clock = {});

    // `sender` is the sender's address as text, the Host of messages that name none.
    LogEntryView split(QByteArrayView text, int headerEnd, int severity, const QString& sender);
    // The sender's address as bytes, valid until the next split or call with another sender.
    QByteArrayView senderBytes(const QString& sender);

private:
    LogEntryView splitRfc5424(QByteArrayView body, const QString& sender);
    LogEntryView splitRfc3339(QByteArrayView body, const QString& sender);
    LogEntryView splitHeaderless(QByteArrayView body, const QString& sender);
    QByteArrayView arrivalTime();

    Clock clock_;
    std::string message_; // a rearranged message; its capacity is kept between datagrams
    QString lastSender_;
    QByteArray lastSenderBytes_;
    qint64 arrivalSecond_ = -1;
    std::array<char, 15> arrivalText_{};
};

} // namespace quendal
