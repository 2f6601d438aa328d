#pragma once

#include <QString>
#include <QtGlobal>

namespace quendal {

// The last lease time with a four-digit year: 9999-12-31 23:59:59 UTC.
inline constexpr qint64 kLastLeaseTime = 253402300799;

// A lease time (seconds since 1970-01-01 00:00:00 UTC) in the asctime form, broken down in UTC,
// with a two-digit day and the trailing newline: "Thu Jan 01 00:00:00 1970\n" for 0. A negative
// time, or one after kLastLeaseTime, is unknown and gives an empty text.
QString formatLeaseTime(qint64 secondsSinceEpoch);

} // namespace quendal
