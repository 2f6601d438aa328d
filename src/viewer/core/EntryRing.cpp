#include "viewer/core/EntryRing.h"

#include <algorithm>

namespace quendal {

void EntryRing::add(LogCategory category, LogEntry entry)
{
    auto& list = entries_[size_t(categoryIndex(category))];
    if (qsizetype(list.size()) >= perCategory_)
        list.pop_front();
    list.push_back({nextSequence_++, std::move(entry)});
}

std::vector<std::pair<LogCategory, LogEntry>>
EntryRing::newest(qint64 count, std::optional<LogCategory> category,
                  const std::optional<QByteArray>& host) const
{
    const auto matches = [&host](const LogEntry& e) {
        return !host || e.host == *host || e.sender == *host;
    };
    // From the newest backwards, each time taking the category whose next entry is newest.
    std::array<qsizetype, kCategoryCount> next{};
    for (size_t i = 0; i < next.size(); ++i)
        next[i] =
            (!category || categoryIndex(*category) == int(i)) ? qsizetype(entries_[i].size()) : 0;
    std::vector<std::pair<LogCategory, LogEntry>> picked;
    while (qint64(picked.size()) < count) {
        int best = -1;
        for (int i = 0; i < kCategoryCount; ++i) {
            if (next[size_t(i)] > 0 &&
                (best < 0 || entries_[size_t(i)][size_t(next[size_t(i)] - 1)].sequence >
                                 entries_[size_t(best)][size_t(next[size_t(best)] - 1)].sequence))
                best = i;
        }
        if (best < 0)
            break;
        const Stored& s = entries_[size_t(best)][size_t(--next[size_t(best)])];
        if (matches(s.entry))
            picked.emplace_back(LogCategory(best), s.entry);
    }
    std::reverse(picked.begin(), picked.end());
    return picked;
}

} // namespace quendal
