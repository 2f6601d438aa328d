#include "receiver/core/ReceptionBatch.h"

namespace quendal {

bool ReceptionBatch::hasContent() const
{
    for (const LogRows& r : rows) {
        if (!r.isEmpty())
            return true;
    }
    return !newSenders.isEmpty() || status.has_value() || !activity.isEmpty() || !overRate.empty();
}

void ReceptionBatch::append(ReceptionBatch&& later)
{
    for (size_t i = 0; i < rows.size(); ++i) {
        if (!later.rows[i].isEmpty())
            rows[i].prependAll(std::move(later.rows[i])); // newer rows go on top
    }
    newSenders += later.newSenders;
    later.newSenders.clear();
    if (later.status) {
        status = std::move(later.status);
        later.status.reset();
    }
    activity.append(std::move(later.activity));
    overRate.insert(overRate.end(), later.overRate.begin(), later.overRate.end());
    later.overRate.clear();
    counters = later.counters;
}

} // namespace quendal
