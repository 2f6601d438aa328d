#pragma once

#include "logs/core/LogCategory.h"

#include <QList>
#include <QString>

#include <optional>

namespace quendal {

// What a search of the log files looks for. Every part that is set must hold.
struct HistoryQuery
{
    // In Time, Host or Message; empty for every entry.
    QString text{};
    bool regularExpression = false;
    bool caseSensitive = false;
    // A part of the Host, case-insensitive; empty for every sender.
    QString host{};
    // Empty for all five.
    QList<LogCategory> categories{};
    bool emergenciesOnly = false;
    // Inclusive bounds, milliseconds since the epoch, against each entry's dated Time; an entry
    // whose Time cannot be dated is left out once a bound is set.
    std::optional<qint64> sinceMs{};
    std::optional<qint64> untilMs{};

    bool hasTimeRange() const { return sinceMs || untilMs; }
    bool includes(LogCategory category) const
    {
        return categories.isEmpty() || categories.contains(category);
    }
};

} // namespace quendal
