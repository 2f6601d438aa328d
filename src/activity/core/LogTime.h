#pragma once

#include <QByteArrayView>

#include <optional>

namespace quendal {

// The instant a log entry's Time column stands for, in milliseconds since the epoch: the
// routers' classic "Mar 14 09:26:55" (a day below 10 padded with a blank or a zero; local time,
// in the year that puts it no more than a day after `now`), or an RFC 3339 time such as
// "2026-03-14T09:26:55.120+01:00". nullopt for anything else.
std::optional<qint64> readLogTime(QByteArrayView time, qint64 now);

} // namespace quendal
