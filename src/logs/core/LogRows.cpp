#include "logs/core/LogRows.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

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

LogRows::LogRows(qsizetype maxRows) : maxRows_(std::max<qsizetype>(1, maxRows))
{}

LogRows::~LogRows()
{
    clear();
}

LogRows::LogRows(LogRows&& other) noexcept
{
    *this = std::move(other);
}

LogRows& LogRows::operator=(LogRows&& other) noexcept
{
    if (this == &other)
        return *this;
    clear();
    arena_ = std::move(other.arena_);
    records_ = std::move(other.records_);
    other.records_.clear();
    maxRows_ = other.maxRows_;
    pushedOut_ = std::exchange(other.pushedOut_, 0);
    ownTextBytes_ = std::exchange(other.ownTextBytes_, 0);
    return *this;
}

void LogRows::setMaxRows(qsizetype maxRows)
{
    maxRows_ = std::max<qsizetype>(1, maxRows);
    if (size() > maxRows_)
        pushOutOldest(size() - maxRows_);
}

LogRows::Record LogRows::makeRecord(const LogEntryView& entry, bool inArena)
{
    Record r{};
    r.timeLength = clampedLength(entry.time);
    r.hostLength = clampedLength(entry.host);
    r.messageLength = clampedLength(entry.message);
    const std::size_t total = std::size_t(r.timeLength) + r.hostLength + r.messageLength;
    char* text = nullptr;
    if (total > 0) {
        if (inArena) {
            text = arena_.allocate(total);
        } else {
            text = new char[total];
            ownTextBytes_ += total;
            r.ownText = true;
        }
    }
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

void LogRows::releaseText(const Record& r)
{
    if (r.ownText) {
        ownTextBytes_ -= std::size_t(r.timeLength) + r.hostLength + r.messageLength;
        delete[] r.text;
    } else {
        arena_.release(r.text);
    }
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

void LogRows::makeRoomForOne()
{
    if (isFull())
        pushOutOldest(size() - maxRows_ + 1);
}

void LogRows::prepend(const LogEntryView& entry)
{
    makeRoomForOne();
    records_.push_back(makeRecord(entry, true));
}

void LogRows::insert(qsizetype row, const LogEntryView& entry)
{
    if (row <= 0) {
        prepend(entry);
        return;
    }
    makeRoomForOne();
    row = std::min(row, size());
    // Only rows added on top are in arrival order; the rest keep their texts apart.
    records_.insert(records_.end() - row, makeRecord(entry, false));
}

void LogRows::remove(qsizetype row)
{
    const auto it = records_.end() - 1 - row;
    releaseText(*it);
    records_.erase(it);
}

void LogRows::removeOldest(qsizetype count)
{
    count = std::min(count, size());
    for (qsizetype i = 0; i < count; ++i) {
        releaseText(records_.front());
        records_.pop_front();
    }
}

void LogRows::pushOutOldest(qsizetype count)
{
    count = std::min(count, size());
    removeOldest(count);
    pushedOut_ += count;
}

void LogRows::clear()
{
    for (const Record& r : records_)
        if (r.ownText)
            delete[] r.text;
    std::deque<Record>().swap(records_);
    arena_.clear();
    pushedOut_ = 0;
    ownTextBytes_ = 0;
}

void LogRows::prependAll(LogRows&& batch)
{
    if (batch.size() > maxRows_) {
        const qsizetype excess = batch.size() - maxRows_;
        batch.removeOldest(excess);
        pushedOut_ += excess;
    }
    if (const qsizetype excess = size() + batch.size() - maxRows_; excess > 0)
        pushOutOldest(excess);
    if (batch.textBytesReserved() < kAdoptFrom) {
        // A small batch's first chunks are mostly empty: copying its texts into the current chunk
        // costs less than keeping those chunks, batch after batch.
        for (qsizetype row = batch.size() - 1; row >= 0; --row)
            records_.push_back(batch.record(row).withText(makeRecord(batch.at(row), true)));
        batch.clear();
        return;
    }
    arena_.adopt(std::move(batch.arena_));
    records_.insert(records_.end(), batch.records_.begin(), batch.records_.end());
    ownTextBytes_ += std::exchange(batch.ownTextBytes_, 0);
    // The texts belong to this list now: the batch forgets them without freeing any.
    batch.records_.clear();
    batch.clear();
}

std::size_t LogRows::textBytesReserved() const
{
    return arena_.bytesReserved() + ownTextBytes_;
}

} // namespace quendal
