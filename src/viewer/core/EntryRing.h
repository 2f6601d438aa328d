#pragma once

#include "logs/core/LogCategory.h"
#include "logs/core/LogEntry.h"
#include "logs/core/LogRows.h"

#include <array>
#include <deque>
#include <optional>
#include <utility>
#include <vector>

namespace quendal {

// The newest entries of each category, bounded: once a category holds its maximum, its oldest
// entry leaves as a new one comes. Entries keep the order they were added in across categories,
// so the newest of all can be picked as well as the newest of one. Stored as the window's lists
// store rows: an entry costs a 24-byte record and an 8-byte sequence number beside its text bytes.
class EntryRing
{
public:
    explicit EntryRing(qsizetype perCategory);

    void add(LogCategory category, const LogEntryView& entry);

    // The newest `count` entries, of `category` only when given and of `host` only when given
    // (the Host field or the sender's address), oldest first. The views hold until the next
    // add().
    std::vector<std::pair<LogCategory, LogEntryView>>
    newest(qint64 count, std::optional<LogCategory> category = std::nullopt,
           const std::optional<QByteArray>& host = std::nullopt) const;

    qsizetype size(LogCategory category) const
    {
        return rows_[size_t(categoryIndex(category))].size();
    }

private:
    quint64 nextSequence_ = 0;
    std::array<LogRows, kCategoryCount> rows_;                  // newest at row 0
    std::array<std::deque<quint64>, kCategoryCount> sequences_; // oldest first
};

} // namespace quendal
