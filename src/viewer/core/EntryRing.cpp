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
    ++added_[c];
}

namespace {

bool matches(const LogEntryView& e, const std::optional<QByteArray>& host)
{
    return !host || e.host == *host || e.sender == *host;
}

} // namespace

EntryRing::Cursor EntryRing::cursorBeforeNewest(qint64 count, std::optional<LogCategory> category,
                                                const std::optional<QByteArray>& host) const
{
    // From the newest backwards, each time looking at the category whose next entry is newest.
    // left[i] counts the entries of category i not looked at yet.
    std::array<qsizetype, kCategoryCount> left{};
    for (size_t i = 0; i < left.size(); ++i)
        left[i] = (!category || categoryIndex(*category) == int(i)) ? rows_[i].size() : 0;
    for (qint64 found = 0; found < count;) {
        int best = -1;
        for (int i = 0; i < kCategoryCount; ++i) {
            if (left[size_t(i)] > 0 &&
                (best < 0 || sequences_[size_t(i)][size_t(left[size_t(i)] - 1)] >
                                 sequences_[size_t(best)][size_t(left[size_t(best)] - 1)]))
                best = i;
        }
        if (best < 0)
            break;
        const auto b = size_t(best);
        --left[b];
        if (matches(rows_[b].at(rows_[b].size() - 1 - left[b]), host))
            ++found;
    }
    Cursor cursor{};
    for (size_t i = 0; i < cursor.size(); ++i)
        cursor[i] = evicted(i) + quint64(left[i]);
    return cursor;
}

std::vector<std::pair<LogCategory, LogEntryView>>
EntryRing::takeAfter(Cursor& cursor, qsizetype limit, quint64 filterBefore,
                     std::optional<LogCategory> category, const std::optional<QByteArray>& host,
                     quint64& gone) const
{
    for (size_t i = 0; i < cursor.size(); ++i) {
        if (cursor[i] < evicted(i)) {
            gone += evicted(i) - cursor[i];
            cursor[i] = evicted(i);
        }
    }
    std::vector<std::pair<LogCategory, LogEntryView>> taken;
    while (qsizetype(taken.size()) < limit) {
        // The category whose next entry came first.
        int best = -1;
        quint64 bestSequence = 0;
        for (size_t i = 0; i < cursor.size(); ++i) {
            if (cursor[i] == added_[i])
                continue;
            const quint64 sequence = sequences_[i][size_t(cursor[i] - evicted(i))];
            if (best < 0 || sequence < bestSequence) {
                best = int(i);
                bestSequence = sequence;
            }
        }
        if (best < 0)
            break;
        const auto b = size_t(best);
        const qsizetype index = qsizetype(cursor[b] - evicted(b));
        ++cursor[b];
        const LogEntryView entry = rows_[b].at(rows_[b].size() - 1 - index);
        if (bestSequence < filterBefore &&
            ((category && categoryIndex(*category) != best) || !matches(entry, host)))
            continue;
        taken.emplace_back(LogCategory(best), entry);
    }
    return taken;
}

} // namespace quendal
