#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>

namespace quendal {

enum class ForwardFormat
{
    Rfc5424,
    AsReceived
};

// When a message arrived: in seconds since the epoch, and as RFC 5424's TIMESTAMP.
struct ArrivalTime
{
    qint64 secs = 0;
    QByteArrayView timestamp;
};

// The message a collector receives for one accepted message (without framing): the received
// bytes unchanged, or an RFC 5424 message that keeps the original text as MSG and names the
// router in the structured data element [origin ip="SENDER"].
QByteArray forwardedMessage(ForwardFormat format, QByteArrayView received,
                            const QString& senderAddress, const ArrivalTime& arrival);
QByteArray forwardedMessage(ForwardFormat format, QByteArrayView received,
                            const QString& senderAddress, const QDateTime& arrival);

// `time` as RFC 5424's TIMESTAMP: milliseconds, and the offset of its zone ("Z" for UTC).
QByteArray rfc5424Timestamp(const QDateTime& time);

// Arrival times in local time as RFC 5424's TIMESTAMP, the local time worked out once per
// second: each conversion has the C library look at the zone file again.
class ArrivalTimestamps
{
public:
    ArrivalTime at(qint64 msSinceEpoch);

private:
    qint64 second_ = -1;
    QByteArray text_; // the timestamp of the last one; only its milliseconds change in a second
};

} // namespace quendal
