#pragma once

#include "logs/core/LogEntry.h"
#include "logs/core/TextArena.h"

#include <QtGlobal>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <limits>

namespace quendal {

// How many rows a category list keeps unless the user chose otherwise.
inline constexpr qsizetype kDefaultMaxRowsPerList = 1'000'000;

// The rows of one category list, newest at row 0. A row costs one 24-byte record plus its text
// bytes; adding a row at the top or the bottom costs the same at a million rows as at ten.
// The rows may be bounded: once full, the bottom (oldest) row leaves as a new one arrives, and
// its text storage goes back, so a full list neither grows nor slows down.
class LogRows
{
public:
    static constexpr int kColumnCount = 3;
    // What textColour() reports for a cell whose colour index lies outside the table.
    static constexpr int kOutOfTableIndex = -1;
    static constexpr qsizetype kUnbounded = std::numeric_limits<qsizetype>::max();

    LogRows() = default;
    explicit LogRows(qsizetype maxRows);
    ~LogRows();
    LogRows(LogRows&& other) noexcept;
    LogRows& operator=(LogRows&& other) noexcept;
    LogRows(const LogRows&) = delete;
    LogRows& operator=(const LogRows&) = delete;

    qsizetype size() const { return qsizetype(records_.size()); }
    bool isEmpty() const { return records_.empty(); }
    qsizetype maxRows() const { return maxRows_; }
    bool isFull() const { return size() >= maxRows_; }
    // A new bound of at least one row; rows beyond it leave from the bottom at once.
    void setMaxRows(qsizetype maxRows);
    // Rows that left because the bound was reached, since construction or the last clear().
    qsizetype rowsPushedOut() const { return pushedOut_; }

    // The row's texts and the colour of its first column.
    LogEntryView at(qsizetype row) const;
    int textColour(qsizetype row, int column) const;
    void setTextColour(qsizetype row, int column, int colourIndex);

    // The newest row, on top; when full, the bottom row leaves first.
    void prepend(const LogEntryView& entry);
    // Inserts so that the entry becomes `row` (0 to size()); when full, the bottom row leaves
    // first and a row meant for the very bottom takes its place.
    void insert(qsizetype row, const LogEntryView& entry);
    void remove(qsizetype row);
    // Removes the `count` bottom rows.
    void removeOldest(qsizetype count);
    // The same, counted in rowsPushedOut(): for a caller that makes room under the bound itself.
    void pushOutOldest(qsizetype count);
    void clear();
    // Puts the rows of `batch` on top, keeping their order: batch row 0 becomes row 0. Of a batch
    // larger than the bound only its newest rows are kept; bottom rows leave to make room.
    void prependAll(LogRows&& batch);

    // Bytes held beyond the records: text chunks, used or not.
    std::size_t textBytesReserved() const;

private:
    struct Record
    {
        const char* text; // time, host and message, back to back; null when all are empty
        std::uint32_t timeLength;
        std::uint32_t hostLength;
        std::uint32_t messageLength;
        std::uint8_t colours[kColumnCount];
        // The text has an allocation of its own instead of a place in the arena: rows inserted
        // out of arrival order would otherwise pin the arena chunks of their neighbours.
        bool ownText;

        // This record's colours with the text of `copy`.
        Record withText(const Record& copy) const
        {
            Record r = copy;
            std::copy(std::begin(colours), std::end(colours), std::begin(r.colours));
            return r;
        }
    };
    static_assert(sizeof(Record) == 24);

    // A batch holding at least this many text bytes hands its chunks over instead of its texts.
    static constexpr std::size_t kAdoptFrom = std::size_t(256) << 10;

    Record makeRecord(const LogEntryView& entry, bool inArena);
    void releaseText(const Record& r);
    void makeRoomForOne();
    const Record& record(qsizetype row) const
    {
        return records_[records_.size() - 1 - size_t(row)];
    }
    Record& record(qsizetype row) { return records_[records_.size() - 1 - size_t(row)]; }

    TextArena arena_;
    std::deque<Record> records_; // oldest first, so the newest row is a push_back
    qsizetype maxRows_ = kUnbounded;
    qsizetype pushedOut_ = 0;
    std::size_t ownTextBytes_ = 0;
};

} // namespace quendal
