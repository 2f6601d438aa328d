#include "common/core/DisplayText.h"

#include <QStringDecoder>

namespace quendal {
namespace {

// Whether a well-formed UTF-8 sequence of two to four bytes occurs in the bytes.
bool holdsMultiByteUtf8(QByteArrayView bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i < size; ++i) {
        const unsigned char lead = p[i];
        const int length = lead >= 0xC2 && lead <= 0xDF   ? 2
                           : lead >= 0xE0 && lead <= 0xEF ? 3
                           : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                          : 0;
        if (length == 0 || i + length > size)
            continue;
        bool whole = true;
        for (int k = 1; k < length; ++k)
            whole = whole && (p[i + k] & 0xC0) == 0x80;
        if (whole)
            return true;
    }
    return false;
}

} // namespace

QString decodeForDisplay(QByteArrayView bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (utf8.hasError() && !holdsMultiByteUtf8(bytes))
        return QString::fromLatin1(bytes);
    return text;
}

} // namespace quendal
