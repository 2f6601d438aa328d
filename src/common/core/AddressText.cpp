#include "common/core/AddressText.h"

namespace quendal {
namespace {

constexpr int kHighestPort = 65535;

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

} // namespace

// Decimal value of a run of ASCII digits, or nullopt when it holds anything else or exceeds
// limit. Stops counting once past the limit, so a long text cannot overflow.
std::optional<int> parseBoundedDecimal(QStringView digits, int limit)
{
    int value = 0;
    for (QChar c : digits) {
        if (!isAsciiDigit(c))
            return std::nullopt;
        value = value * 10 + (c.unicode() - '0');
        if (value > limit)
            return std::nullopt;
    }
    return value;
}

std::optional<int> parsePortText(QStringView text)
{
    return parseBoundedDecimal(text, kHighestPort);
}

std::optional<QString> parseIpv4Address(QStringView text)
{
    QString plain;
    int parts = 0;
    for (QStringView part : text.tokenize(QLatin1Char('.'))) {
        if (++parts > 4 || part.isEmpty() || part.size() > 3)
            return std::nullopt;
        const std::optional<int> value = parseBoundedDecimal(part, 255);
        if (!value)
            return std::nullopt;
        if (parts > 1)
            plain += QLatin1Char('.');
        plain += QString::number(*value);
    }
    if (parts != 4)
        return std::nullopt;
    return plain;
}

} // namespace quendal
