#pragma once

#include <QString>
#include <QtGlobal>

namespace quendal {

// A lease time (seconds since 1970-01-01 00:00:00 UTC) in the asctime form, broken down in UTC,
// with a two-digit day and the trailing newline: "Thu Jan 01 00:00:00 1970\n" for 0. A negative
// time is unknown and gives an empty text.
QString formatLeaseTime(qint64 secondsSinceEpoch);

} // namespace quendal
