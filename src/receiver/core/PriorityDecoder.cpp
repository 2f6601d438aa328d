#include "receiver/core/PriorityDecoder.h"

namespace quendal {

int findHeaderEnd(QByteArrayView text)
{
    for (int i = 0; i <= 4 && i < text.size(); ++i) {
        if (text[i] == '>')
            return i;
    }
    return -1;
}

Priority decodePriority(QByteArrayView text, int headerEnd)
{
    Priority p;
    p.headerEnd = headerEnd;
    for (int i = 1; i < headerEnd; ++i)
        p.value = p.value * 10 + (static_cast<unsigned char>(text[i]) & 0x0F);
    p.facility = p.value >> 3;
    p.severity = p.value - 8 * p.facility;
    return p;
}

} // namespace quendal
