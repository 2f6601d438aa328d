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

    // Where a viewer stands: per category, how many of its entries ever added lie behind it.
    using Cursor = std::array<quint64, kCategoryCount>;

    // The cursor from which the newest `count` entries follow, of `category` only when given and
    // of `host` only when given (the Host field or the sender's address).
    Cursor cursorBeforeNewest(qint64 count, std::optional<LogCategory> category = std::nullopt,
                              const std::optional<QByteArray>& host = std::nullopt) const;
    // Up to `limit` entries after `cursor` in the order they came, oldest first, moving it past
    // them. Those added before `filterBefore` (a sequence number) are taken only when they match
    // `category` and `host`; later ones all are. Entries that left the ring before they could be
    // taken are added to `gone`. The views hold until the next add().
    std::vector<std::pair<LogCategory, LogEntryView>>
    takeAfter(Cursor& cursor, qsizetype limit, quint64 filterBefore,
              std::optional<LogCategory> category, const std::optional<QByteArray>& host,
              quint64& gone) const;
    bool isAtEnd(const Cursor& cursor) const { return cursor == added_; }
    // The sequence number the next entry added gets.
    quint64 nextSequence() const { return nextSequence_; }

    qsizetype size(LogCategory category) const
    {
        return rows_[size_t(categoryIndex(category))].size();
    }

private:
    quint64 evicted(size_t c) const { return added_[c] - quint64(rows_[c].size()); }

    quint64 nextSequence_ = 0;
    Cursor added_{};                                            // entries ever added, per category
    std::array<LogRows, kCategoryCount> rows_;                  // newest at row 0
    std::array<std::deque<quint64>, kCategoryCount> sequences_; // oldest first
};

} // namespace quendal
