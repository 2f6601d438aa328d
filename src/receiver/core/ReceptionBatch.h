#pragma once

#include "activity/core/ActivityTally.h"
#include "logs/core/LogCategory.h"
#include "logs/core/LogRows.h"
#include "receiver/core/CSysLogSocket.h"
#include "receiver/core/WanStatus.h"

#include <QStringList>

#include <array>
#include <optional>
#include <vector>

namespace quendal {

// What the receiver thread hands to the window's thread in one go: the entries stored since the
// last batch (owning their bytes), the senders seen for the first time, the status values when
// they changed, what the activity charts count, the senders over their rate, and the counters as
// they stood at the batch's end.
struct ReceptionBatch
{
    std::array<LogRows, kCategoryCount> rows; // per category, newest at row 0
    QStringList newSenders;                   // in order of arrival
    std::optional<WanStatus::Snapshot> status;
    ActivityTally activity;
    std::vector<OverRateReport> overRate; // senders over their rate limits, whatever is wanted
    IntakeCounters counters;

    // Whether there is anything but counters in it.
    bool hasContent() const;
    // Puts a later batch behind this one, keeping every order; `later` is left empty and can be
    // filled again.
    void append(ReceptionBatch&& later);
};

} // namespace quendal
