#pragma once

#include <QByteArray>
#include <QString>

namespace quendal {

// Upper-case hex pairs joined by hyphens, one pair per byte: 00-50-7F-A1-B2-C3. No bytes give
// an empty text.
QString formatPhysicalAddress(const QByteArray& bytes);

// The address as the kernel writes it in /sys/class/net/IF/address ("00:50:7f:a1:b2:c3") turned
// into bytes; empty when the text is not colon-separated hex pairs.
QByteArray parseColonHexAddress(const QString& text);

} // namespace quendal
