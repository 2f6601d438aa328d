#pragma once

#include "logs/core/LogCategory.h"
#include "logs/core/LogEntry.h"

#include <array>
#include <deque>
#include <optional>
#include <utility>
#include <vector>

namespace quendal {

// The newest entries of each category, bounded: once a category holds its maximum, its oldest
// entry leaves as a new one comes. Entries keep the order they were added in across categories,
// so the newest of all can be picked as well as the newest of one.
class EntryRing
{
public:
    explicit EntryRing(qsizetype perCategory) : perCategory_(qMax<qsizetype>(1, perCategory)) {}

    void add(LogCategory category, LogEntry entry);

    // The newest `count` entries, of `category` only when given and of `host` only when given
    // (the Host field or the sender's address), oldest first.
    std::vector<std::pair<LogCategory, LogEntry>>
    newest(qint64 count, std::optional<LogCategory> category = std::nullopt,
           const std::optional<QByteArray>& host = std::nullopt) const;

    qsizetype size(LogCategory category) const
    {
        return qsizetype(entries_[size_t(categoryIndex(category))].size());
    }

private:
    struct Stored
    {
        quint64 sequence;
        LogEntry entry;
    };
    qsizetype perCategory_;
    quint64 nextSequence_ = 0;
    std::array<std::deque<Stored>, kCategoryCount> entries_;
};

} // namespace quendal
