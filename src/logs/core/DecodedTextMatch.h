#pragma once

#include <QByteArrayView>
#include <QRegularExpression>
#include <QString>

#include <string>

namespace quendal {

// Whether every byte is ASCII (and so decodes to the same characters however it is read).
bool isAsciiBytes(QByteArrayView bytes);

// Whether received bytes, decoded as the lists show them, match `regex` (with `regular`) or hold
// `text` ignoring case. Plain ASCII goes to the expression widened into `scratch`, without a
// string per entry: it decodes to the same characters.
bool decodedTextMatches(QByteArrayView bytes, bool regular, const QRegularExpression& regex,
                        const QString& text, std::u16string& scratch);

} // namespace quendal
