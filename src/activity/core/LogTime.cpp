#include "activity/core/LogTime.h"

#include <QDateTime>
#include <QTimeZone>

#include <array>
#include <cstring>

namespace quendal {
namespace {

constexpr std::array<const char*, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr qint64 kDayMs = 24LL * 60 * 60 * 1000;

bool digits(QByteArrayView text, qsizetype at, qsizetype count, int* value)
{
    int v = 0;
    for (qsizetype i = at; i < at + count; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (c - '0');
    }
    *value = v;
    return true;
}

std::optional<qint64> readClassic(QByteArrayView t, qint64 now)
{
    // "Mmm dd hh:mm:ss"
    if (t.size() != 15 || t[3] != ' ' || t[6] != ' ' || t[9] != ':' || t[12] != ':')
        return std::nullopt;
    int month = 0;
    while (month < 12 && std::memcmp(t.data(), kMonths[size_t(month)], 3) != 0)
        ++month;
    if (month == 12)
        return std::nullopt;
    int day = 0;
    const QByteArrayView dayText = t.sliced(4, 2);
    if (dayText[0] == ' ') {
        if (!digits(dayText, 1, 1, &day))
            return std::nullopt;
    } else if (!digits(dayText, 0, 2, &day)) {
        return std::nullopt;
    }
    int h = 0, m = 0, s = 0;
    if (!digits(t, 7, 2, &h) || !digits(t, 10, 2, &m) || !digits(t, 13, 2, &s))
        return std::nullopt;
    const QTime time(h, m, s);
    if (!time.isValid())
        return std::nullopt;
    const int thisYear = QDateTime::fromMSecsSinceEpoch(now).date().year();
    for (int year = thisYear + 1; year >= thisYear - 1; --year) {
        const QDate date(year, month + 1, day);
        if (!date.isValid())
            continue; // Feb 29 of another year
        const qint64 at = QDateTime(date, time).toMSecsSinceEpoch();
        if (at <= now + kDayMs)
            return at;
    }
    return std::nullopt;
}

std::optional<qint64> readRfc3339(QByteArrayView t)
{
    if (t.size() < 20 || t.size() > 40 || t[4] != '-' || t[10] != 'T')
        return std::nullopt;
    const QDateTime at = QDateTime::fromString(QString::fromLatin1(t), Qt::ISODateWithMs);
    if (!at.isValid())
        return std::nullopt;
    return at.toMSecsSinceEpoch();
}

} // namespace

std::optional<qint64> readLogTime(QByteArrayView time, qint64 now)
{
    if (auto at = readClassic(time, now))
        return at;
    return readRfc3339(time);
}

} // namespace quendal
