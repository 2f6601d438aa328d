#include "activity/core/MinuteActivity.h"

#include <algorithm>
#include <numeric>

namespace quendal {
namespace {

size_t slotIndex(qint64 minute)
{
    const qint64 r = minute % MinuteActivity::kMinutes;
    return size_t(r < 0 ? r + MinuteActivity::kMinutes : r);
}

} // namespace

quint64 MinuteCounts::total() const
{
    return std::accumulate(entries.begin(), entries.end(), quint64(0));
}

quint64 MinuteCounts::totalEmergencies() const
{
    return std::accumulate(emergencies.begin(), emergencies.end(), quint64(0));
}

void MinuteCounts::add(const MinuteCounts& other)
{
    for (size_t i = 0; i < entries.size(); ++i) {
        entries[i] += other.entries[i];
        emergencies[i] += other.emergencies[i];
    }
}

MinuteCounts* MinuteActivity::slotFor(qint64 minute)
{
    MinuteCounts& slot = slots_[slotIndex(minute)];
    if (slot.minute != minute) {
        if (collision_ == Collision::KeepNewest && slot.minute != MinuteCounts::kNoMinute &&
            slot.minute > minute)
            return nullptr;
        slot = MinuteCounts{};
        slot.minute = minute;
    }
    if (latest_ == MinuteCounts::kNoMinute || minute > latest_)
        latest_ = minute;
    return &slot;
}

void MinuteActivity::add(qint64 minute, LogCategory category, quint32 entries, quint32 emergencies)
{
    if (MinuteCounts* slot = slotFor(minute)) {
        slot->entries[size_t(categoryIndex(category))] += entries;
        slot->emergencies[size_t(categoryIndex(category))] += emergencies;
    }
}

void MinuteActivity::add(const MinuteCounts& counts)
{
    if (MinuteCounts* slot = slotFor(counts.minute))
        slot->add(counts);
}

const MinuteCounts* MinuteActivity::at(qint64 minute) const
{
    const MinuteCounts& slot = slots_[slotIndex(minute)];
    return slot.minute == minute ? &slot : nullptr;
}

std::vector<MinuteCounts> MinuteActivity::range(qint64 from, qint64 to) const
{
    std::vector<MinuteCounts> out;
    if (to < from)
        return out;
    // A range longer than a day still has only a day of slots to look at.
    if (to - from >= kMinutes - 1) {
        for (const MinuteCounts& slot : slots_) {
            if (slot.minute != MinuteCounts::kNoMinute && slot.minute >= from &&
                slot.minute <= to && !slot.isEmpty())
                out.push_back(slot);
        }
        std::sort(out.begin(), out.end(),
                  [](const MinuteCounts& a, const MinuteCounts& b) { return a.minute < b.minute; });
        return out;
    }
    for (qint64 m = from; m <= to; ++m) {
        if (const MinuteCounts* slot = at(m); slot && !slot->isEmpty())
            out.push_back(*slot);
    }
    return out;
}

std::vector<MinuteCounts> MinuteActivity::all() const
{
    if (isEmpty())
        return {};
    return range(latest_ - kMinutes - 1, latest_ + kMinutes); // every slot: older days are replaced
}

void MinuteActivity::clearCategory(LogCategory category)
{
    for (MinuteCounts& slot : slots_) {
        slot.entries[size_t(categoryIndex(category))] = 0;
        slot.emergencies[size_t(categoryIndex(category))] = 0;
    }
}

void MinuteActivity::clear()
{
    slots_.fill(MinuteCounts{});
    latest_ = MinuteCounts::kNoMinute;
}

} // namespace quendal
