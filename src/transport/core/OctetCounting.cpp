#include "transport/core/OctetCounting.h"

namespace quendal {

void appendOctetCounted(QByteArray& out, QByteArrayView message)
{
    out += QByteArray::number(message.size());
    out += ' ';
    out += message;
}

} // namespace quendal
