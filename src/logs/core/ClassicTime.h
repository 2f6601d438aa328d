#pragma once

#include <QByteArrayView>

#include <optional>

namespace quendal {

// The routers' classic time "Mar 14 09:26:55": a month, a day and a time of day, no year.
struct ClassicTime
{
    int month = 1; // 1 to 12
    int day = 1;
    int secondOfDay = 0;
};

// "Mmm dd hh:mm:ss", a day below 10 padded with a blank or a zero; nullopt for anything else.
std::optional<ClassicTime> readClassicTime(QByteArrayView time);

// An RFC 3339 time such as "2026-03-14T09:26:55.120+01:00", in milliseconds since the epoch.
std::optional<qint64> readRfc3339Time(QByteArrayView time);

// A classic time in a given year, local time; nullopt for a day the year lacks (Feb 29).
std::optional<qint64> classicInYear(const ClassicTime& time, int year);

} // namespace quendal
