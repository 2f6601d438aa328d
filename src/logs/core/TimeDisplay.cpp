#include "logs/core/TimeDisplay.h"

#include <QDateTime>

namespace quendal {
namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// "YYYY-MM-DDTHH:MM:SS" at the start: cheap to test before any parsing.
bool looksLikeRfc3339(QByteArrayView t)
{
    static constexpr char kShape[] = "dddd-dd-ddTdd:dd:dd";
    constexpr qsizetype kLength = sizeof(kShape) - 1;
    if (t.size() <= kLength)
        return false;
    for (qsizetype i = 0; i < kLength; ++i) {
        const char c = t[i];
        const char want = kShape[i];
        if (want == 'd' ? !isDigit(c) : want == 'T' ? (c != 'T' && c != 't') : c != want)
            return false;
    }
    return true;
}

} // namespace

QString compactRfc3339Time(QByteArrayView time)
{
    if (!looksLikeRfc3339(time))
        return {};
    // RFC 3339 allows a lower-case 't' and 'z'; Qt reads the upper-case form.
    const QString text = QString::fromLatin1(time).toUpper();
    const QDateTime at = QDateTime::fromString(text, Qt::ISODateWithMs);
    // A stamp without a zone is no RFC 3339 time: it is shown as it came.
    if (!at.isValid() || at.timeSpec() == Qt::LocalTime)
        return {};
    return at.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

} // namespace quendal
