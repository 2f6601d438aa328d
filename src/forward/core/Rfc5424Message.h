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

// The message a collector receives for one accepted message (without framing): the received
// bytes unchanged, or an RFC 5424 message that keeps the original text as MSG and names the
// router in the structured data element [origin ip="SENDER"].
QByteArray forwardedMessage(ForwardFormat format, QByteArrayView received,
                            const QString& senderAddress, const QDateTime& arrival);

} // namespace quendal
