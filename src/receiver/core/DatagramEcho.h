#pragma once

#include <QByteArrayView>

namespace quendal {

// Where every datagram read is shown as received, before anything else happens to it (the
// diagnostic console). Called on the receiver thread.
class DatagramEcho
{
public:
    virtual ~DatagramEcho() = default;
    virtual void echo(QByteArrayView datagram) = 0;
};

} // namespace quendal
