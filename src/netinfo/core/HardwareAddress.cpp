#include "netinfo/core/HardwareAddress.h"

#include <QStringList>

namespace quendal {

QString formatPhysicalAddress(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex('-').toUpper());
}

QByteArray parseColonHexAddress(const QString& text)
{
    const QStringList pairs = text.trimmed().split(QLatin1Char(':'));
    QByteArray bytes;
    for (const QString& pair : pairs) {
        bool ok = false;
        const uint value = pair.toUInt(&ok, 16);
        if (!ok || pair.size() != 2)
            return {};
        bytes.append(char(value));
    }
    return bytes;
}

} // namespace quendal
