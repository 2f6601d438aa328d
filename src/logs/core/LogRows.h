#pragma once

#include "common/core/ColourIndex.h"
#include "logs/core/LogEntry.h"
#include "logs/core/SenderTable.h"
#include "logs/core/TextArena.h"

#include <QtGlobal>

#include <array>
#include <cstdint>
#include <deque>
#include <limits>
#include <unordered_map>

namespace quendal {

// How many rows a category list keeps unless the user chose otherwise.
inline constexpr qsizetype kDefaultMaxRowsPerList = 1'000'000;

// The rows of one category list, newest at row 0. A row costs one 24-byte record plus its text
// bytes: the record holds the row's severity, its sender (an index into the list's table of
// distinct senders) and one text colour for all its cells; cells coloured apart from their row
// keep their colours beside the records. Adding a row at the top or the bottom costs the same at a
// million rows as at ten. The rows may be bounded: once full, the bottom (oldest) row leaves as a
// new one arrives, and its text storage goes back, so a full list neither grows nor slows down.
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

    // The row's texts, severity and sender.
    LogEntryView at(qsizetype row) const;
    int textColour(qsizetype row, int column) const;
    void setTextColour(qsizetype row, int column, int colourIndex);

    // The newest row, on top, its cells in DEF_TEXT; when full, the bottom row leaves first.
    void prepend(const LogEntryView& entry);
    // Inserts so that the entry becomes `row` (0 to size()), its cells in `colourIndex`; when
    // full, the bottom row leaves first and a row meant for the very bottom takes its place.
    void insert(qsizetype row, const LogEntryView& entry, int colourIndex = DEF_TEXT);
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
    // Distinct senders named by the rows.
    std::size_t senderCount() const { return senders_.size(); }

private:
    using CellColours = std::array<std::uint8_t, kColumnCount>;

    struct Record
    {
        // Time, host and message, back to back; null when all are empty and no cell has a
        // colour of its own (the text is what names a row in cellColours_).
        const char* text;
        std::uint32_t timeLength;
        std::uint32_t hostLength;
        std::uint32_t messageLength;
        std::uint8_t colour;       // of every cell, unless cellColours
        std::uint8_t severity : 4; // Severity + 1, so that 0 is Unknown
        // The text has an allocation of its own instead of a place in the arena: rows inserted
        // out of arrival order would otherwise pin the arena chunks of their neighbours.
        std::uint8_t ownText : 1;
        std::uint8_t cellColours : 1; // the cells' colours are in cellColours_
        SenderTable::Index sender;
    };
    static_assert(sizeof(Record) == 24);

    // A batch holding at least this many text bytes hands its chunks over instead of its texts.
    static constexpr std::size_t kAdoptFrom = std::size_t(256) << 10;

    Record makeRecord(const LogEntryView& entry, bool inArena, int colourIndex = DEF_TEXT);
    // Gives back everything the row holds besides its record.
    void releaseRow(const Record& r);
    // Gives a row without text a text of its own, to name it in cellColours_.
    void giveTextKey(Record& r);
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
    SenderTable senders_;
    std::unordered_map<const char*, CellColours> cellColours_;
};

} // namespace quendal
