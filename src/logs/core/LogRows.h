#pragma once

#include "logs/core/LogEntry.h"
#include "logs/core/TextArena.h"

#include <QtGlobal>

#include <cstdint>
#include <deque>

namespace quendal {

// The rows of one category list, newest at row 0. A row costs one 24-byte record plus its text
// bytes; adding a row at the top or the bottom costs the same at a million rows as at ten.
class LogRows
{
public:
    static constexpr int kColumnCount = 3;
    // What textColour() reports for a cell whose colour index lies outside the table.
    static constexpr int kOutOfTableIndex = -1;

    qsizetype size() const { return qsizetype(records_.size()); }
    bool isEmpty() const { return records_.empty(); }

    // The row's texts and the colour of its first column.
    LogEntryView at(qsizetype row) const;
    int textColour(qsizetype row, int column) const;
    void setTextColour(qsizetype row, int column, int colourIndex);

    void prepend(const LogEntryView& entry);
    // Inserts so that the entry becomes `row` (0 to size()).
    void insert(qsizetype row, const LogEntryView& entry);
    void remove(qsizetype row);
    void clear();
    // Puts every row of `batch` on top, keeping their order: batch row 0 becomes row 0.
    void prependAll(LogRows&& batch);

    // Bytes held beyond the records: text chunks, used or not.
    std::size_t textBytesReserved() const { return arena_.bytesReserved(); }

private:
    struct Record
    {
        const char* text; // time, host and message, back to back
        std::uint32_t timeLength;
        std::uint32_t hostLength;
        std::uint32_t messageLength;
        std::uint8_t colours[kColumnCount];
    };
    static_assert(sizeof(Record) == 24);

    Record makeRecord(const LogEntryView& entry);
    const Record& record(qsizetype row) const
    {
        return records_[records_.size() - 1 - size_t(row)];
    }
    Record& record(qsizetype row) { return records_[records_.size() - 1 - size_t(row)]; }

    TextArena arena_;
    std::deque<Record> records_; // oldest first, so the newest row is a push_back
};

} // namespace quendal
