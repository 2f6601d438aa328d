#include "logs/core/ClassicTime.h"

#include <QDateTime>

#include <array>
#include <cstring>

namespace quendal {
namespace {

constexpr std::array<const char*, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

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

} // namespace

std::optional<ClassicTime> readClassicTime(QByteArrayView t)
{
    if (t.size() != 15 || t[3] != ' ' || t[6] != ' ' || t[9] != ':' || t[12] != ':')
        return std::nullopt;
    int month = 0;
    while (month < 12 && std::memcmp(t.data(), kMonths[size_t(month)], 3) != 0)
        ++month;
    if (month == 12)
        return std::nullopt;
    int day = 0;
    if (t[4] == ' ' ? !digits(t, 5, 1, &day) : !digits(t, 4, 2, &day))
        return std::nullopt;
    int h = 0, m = 0, s = 0;
    if (!digits(t, 7, 2, &h) || !digits(t, 10, 2, &m) || !digits(t, 13, 2, &s))
        return std::nullopt;
    // Day 31 of a short month stays possible here; the dating finds no such date and says so.
    if (day < 1 || day > 31 || h > 23 || m > 59 || s > 59)
        return std::nullopt;
    return ClassicTime{month + 1, day, h * 3600 + m * 60 + s};
}

std::optional<qint64> readRfc3339Time(QByteArrayView t)
{
    if (t.size() < 20 || t.size() > 40 || t[4] != '-' || t[10] != 'T')
        return std::nullopt;
    const QDateTime at = QDateTime::fromString(QString::fromLatin1(t), Qt::ISODateWithMs);
    if (!at.isValid())
        return std::nullopt;
    return at.toMSecsSinceEpoch();
}

std::optional<qint64> classicInYear(const ClassicTime& time, int year)
{
    const QDate date(year, time.month, time.day);
    if (!date.isValid())
        return std::nullopt;
    const QTime clock(time.secondOfDay / 3600, time.secondOfDay / 60 % 60, time.secondOfDay % 60);
    return QDateTime(date, clock).toMSecsSinceEpoch();
}

} // namespace quendal
