#include "logs/core/DecodedTextMatch.h"

#include "common/core/DisplayText.h"

#include <algorithm>

namespace quendal {

bool isAsciiBytes(QByteArrayView bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) < 0x80; });
}

bool decodedTextMatches(QByteArrayView bytes, bool regular, const QRegularExpression& regex,
                        const QString& text, std::u16string& scratch)
{
    if (regular && isAsciiBytes(bytes)) {
        scratch.resize(size_t(bytes.size()));
        std::copy(bytes.begin(), bytes.end(), scratch.data());
        return regex.match(QStringView(scratch)).hasMatch();
    }
    const QString decoded = decodeForDisplay(bytes);
    if (regular)
        return regex.match(decoded).hasMatch();
    return decoded.contains(text, Qt::CaseInsensitive);
}

} // namespace quendal
