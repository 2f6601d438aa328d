#pragma once

#include "logs/core/LogCategory.h"

#include <QtGlobal>

#include <array>
#include <limits>
#include <vector>

namespace quendal {

// The minute an instant falls in: whole minutes since the epoch (UTC), rounded down.
constexpr qint64 minuteOf(qint64 msecsSinceEpoch)
{
    return msecsSinceEpoch >= 0 ? msecsSinceEpoch / 60000 : (msecsSinceEpoch - 59999) / 60000;
}

// The entries of one minute, by category.
struct MinuteCounts
{
    static constexpr qint64 kNoMinute = std::numeric_limits<qint64>::min();

    qint64 minute = kNoMinute;
    std::array<quint32, kCategoryCount> entries{};
    std::array<quint32, kCategoryCount> emergencies{}; // of those, severity 0

    quint64 total() const;
    quint64 totalEmergencies() const;
    bool isEmpty() const { return total() == 0; }
    // Adds the counts of `other`, whatever its minute.
    void add(const MinuteCounts& other);
};

// Entries per minute over one day, by category: one slot per minute of the day, each holding
// the minute it counts, so that adding costs the same however long the program runs and a day
// later a slot is simply taken over. Times follow the clock they come with: across midnight
// nothing special happens, and after a clock step the counts go to the minutes the clock says.
class MinuteActivity
{
public:
    static constexpr int kMinutes = 24 * 60;

    // What happens when a slot holds the same minute of another day.
    enum class Collision
    {
        Replace,    // the later count takes the slot (live arrivals: the clock says now)
        KeepNewest, // the minute of the later day stays (a file read back: its last day)
    };

    explicit MinuteActivity(Collision collision = Collision::Replace) : collision_(collision) {}

    void add(qint64 minute, LogCategory category, quint32 entries, quint32 emergencies);
    void add(const MinuteCounts& counts);
    // The minute's counts, or null when none are held for it.
    const MinuteCounts* at(qint64 minute) const;
    // The minutes within [from, to] that hold entries, oldest first.
    std::vector<MinuteCounts> range(qint64 from, qint64 to) const;
    // Every minute held, oldest first.
    std::vector<MinuteCounts> all() const;
    // The latest minute held; kNoMinute when empty.
    qint64 latestMinute() const { return latest_; }
    bool isEmpty() const { return latest_ == MinuteCounts::kNoMinute; }
    // Forgets one category's counts (before a file of that category is read in again).
    void clearCategory(LogCategory category);
    void clear();

private:
    MinuteCounts* slotFor(qint64 minute);

    std::array<MinuteCounts, kMinutes> slots_;
    qint64 latest_ = MinuteCounts::kNoMinute;
    Collision collision_;
};

} // namespace quendal
