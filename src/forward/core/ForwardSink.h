#pragma once

#include <QByteArrayView>
#include <QString>

namespace quendal {

// Where reception hands each accepted message to be forwarded. Called on the receiver thread:
// it copies what it keeps and returns at once, whatever the collectors do.
class ForwardSink
{
public:
    virtual ~ForwardSink() = default;
    virtual void offer(QByteArrayView received, const QString& sender, qint64 arrivalMs) = 0;
};

} // namespace quendal
