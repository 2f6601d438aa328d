#include "common/core/DisplayText.h"

#include <QStringDecoder>

namespace quendal {

QString decodeForDisplay(QByteArrayView bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (utf8.hasError())
        return QString::fromLatin1(bytes);
    return text;
}

} // namespace quendal
