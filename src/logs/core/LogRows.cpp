#include "logs/core/LogRows.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace quendal {
namespace {

constexpr std::uint8_t kStoredOutOfTable = 0xFF;

std::uint8_t storedColour(int colourIndex)
{
    return colourIndex >= 0 && colourIndex < kColourIndexCount ? std::uint8_t(colourIndex)
                                                               : kStoredOutOfTable;
}

std::uint32_t clampedLength(QByteArrayView text)
{
    return std::uint32_t(
        std::min<qsizetype>(text.size(), std::numeric_limits<std::uint32_t>::max()));
}

} // namespace

LogRows::Record LogRows::makeRecord(const LogEntryView& entry)
{
    Record r{};
    r.timeLength = clampedLength(entry.time);
    r.hostLength = clampedLength(entry.host);
    r.messageLength = clampedLength(entry.message);
    char* text = arena_.allocate(std::size_t(r.timeLength) + r.hostLength + r.messageLength);
    if (r.timeLength)
        std::memcpy(text, entry.time.data(), r.timeLength);
    if (r.hostLength)
        std::memcpy(text + r.timeLength, entry.host.data(), r.hostLength);
    if (r.messageLength)
        std::memcpy(text + r.timeLength + r.hostLength, entry.message.data(), r.messageLength);
    r.text = text;
    std::fill(std::begin(r.colours), std::end(r.colours), storedColour(entry.colour));
    return r;
}

LogEntryView LogRows::at(qsizetype row) const
{
    const Record& r = record(row);
    const char* time = r.text;
    const char* host = time + r.timeLength;
    const char* message = host + r.hostLength;
    return {QByteArrayView(time, r.timeLength), QByteArrayView(host, r.hostLength),
            QByteArrayView(message, r.messageLength), textColour(row, 0)};
}

int LogRows::textColour(qsizetype row, int column) const
{
    const std::uint8_t stored = record(row).colours[column];
    return stored == kStoredOutOfTable ? kOutOfTableIndex : int(stored);
}

void LogRows::setTextColour(qsizetype row, int column, int colourIndex)
{
    record(row).colours[column] = storedColour(colourIndex);
}

void LogRows::prepend(const LogEntryView& entry)
{
    records_.push_back(makeRecord(entry));
}

void LogRows::insert(qsizetype row, const LogEntryView& entry)
{
    records_.insert(records_.end() - row, makeRecord(entry));
}

void LogRows::remove(qsizetype row)
{
    records_.erase(records_.end() - 1 - row);
}

void LogRows::clear()
{
    std::deque<Record>().swap(records_);
    arena_.clear();
}

void LogRows::prependAll(LogRows&& batch)
{
    arena_.adopt(std::move(batch.arena_));
    records_.insert(records_.end(), batch.records_.begin(), batch.records_.end());
    batch.clear();
}

} // namespace quendal
