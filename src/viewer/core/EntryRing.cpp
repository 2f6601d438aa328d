#include "viewer/core/EntryRing.h"

#include <algorithm>

namespace quendal {

EntryRing::EntryRing(qsizetype perCategory)
{
    for (LogRows& rows : rows_)
        rows = LogRows(qMax<qsizetype>(1, perCategory));
}

void EntryRing::add(LogCategory category, const LogEntryView& entry)
{
    const auto c = size_t(categoryIndex(category));
    if (rows_[c].isFull())
        sequences_[c].pop_front();
    rows_[c].prepend(entry);
    sequences_[c].push_back(nextSequence_++);
}

std::vector<std::pair<LogCategory, LogEntryView>>
EntryRing::newest(qint64 count, std::optional<LogCategory> category,
                  const std::optional<QByteArray>& host) const
{
    const auto matches = [&host](const LogEntryView& e) {
        return !host || e.host == *host || e.sender == *host;
    };
    // From the newest backwards, each time taking the category whose next entry is newest.
    // next[i] counts the entries of category i not looked at yet; its newest is row
    // size - next[i].
    std::array<qsizetype, kCategoryCount> next{};
    for (size_t i = 0; i < next.size(); ++i)
        next[i] = (!category || categoryIndex(*category) == int(i)) ? rows_[i].size() : 0;
    std::vector<std::pair<LogCategory, LogEntryView>> picked;
    qsizetype available = 0;
    for (const qsizetype n : next)
        available += n;
    picked.reserve(size_t(qMin<qint64>(count, available)));
    while (qint64(picked.size()) < count) {
        int best = -1;
        for (int i = 0; i < kCategoryCount; ++i) {
            if (next[size_t(i)] > 0 &&
                (best < 0 || sequences_[size_t(i)][size_t(next[size_t(i)] - 1)] >
                                 sequences_[size_t(best)][size_t(next[size_t(best)] - 1)]))
                best = i;
        }
        if (best < 0)
            break;
        const auto b = size_t(best);
        --next[b];
        const LogEntryView entry = rows_[b].at(rows_[b].size() - 1 - next[b]);
        if (matches(entry))
            picked.emplace_back(LogCategory(best), entry);
    }
    std::reverse(picked.begin(), picked.end());
    return picked;
}

} // namespace quendal
