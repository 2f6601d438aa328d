#include "activity/core/LogTime.h"

#include "logs/core/ClassicTime.h"

#include <QDateTime>
#include <QTimeZone>

namespace quendal {
namespace {

constexpr qint64 kDayMs = 24LL * 60 * 60 * 1000;

// A classic time in the year that puts it no more than a day after `now`.
std::optional<qint64> readClassic(QByteArrayView text, qint64 now)
{
    const std::optional<ClassicTime> time = readClassicTime(text);
    if (!time)
        return std::nullopt;
    const int thisYear = QDateTime::fromMSecsSinceEpoch(now).date().year();
    for (int year = thisYear + 1; year >= thisYear - 1; --year) {
        // Feb 29 of another year has no instant.
        if (const std::optional<qint64> at = classicInYear(*time, year); at && *at <= now + kDayMs)
            return at;
    }
    return std::nullopt;
}

} // namespace

std::optional<qint64> readLogTime(QByteArrayView time, qint64 now)
{
    if (auto at = readClassic(time, now))
        return at;
    return readRfc3339Time(time);
}

} // namespace quendal
