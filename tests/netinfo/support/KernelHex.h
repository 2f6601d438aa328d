#pragma once

#include <QString>
#include <QtEndian>

namespace quendal::test {

// The kernel writes route addresses as the hex of the native-order word.
inline QString kernelHex(quint8 a, quint8 b, quint8 c, quint8 d)
{
    const quint32 word =
        qFromBigEndian<quint32>(quint32(a) << 24 | quint32(b) << 16 | quint32(c) << 8 | d);
    return QStringLiteral("%1").arg(word, 8, 16, QLatin1Char('0')).toUpper();
}

} // namespace quendal::test
