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

std::size_t textBytes(std::uint32_t time, std::uint32_t host, std::uint32_t message)
{
    return std::size_t(time) + host + message;
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
    senders_ = std::move(other.senders_);
    other.senders_.clear();
    cellColours_ = std::move(other.cellColours_);
    other.cellColours_.clear();
    return *this;
}

void LogRows::setMaxRows(qsizetype maxRows)
{
    maxRows_ = std::max<qsizetype>(1, maxRows);
    if (size() > maxRows_)
        pushOutOldest(size() - maxRows_);
}

LogRows::Record LogRows::makeRecord(const LogEntryView& entry, bool inArena, int colourIndex)
{
    Record r{};
    r.timeLength = clampedLength(entry.time);
    r.hostLength = clampedLength(entry.host);
    r.messageLength = clampedLength(entry.message);
    const std::size_t total = textBytes(r.timeLength, r.hostLength, r.messageLength);
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
    r.colour = storedColour(colourIndex);
    r.severity = std::uint8_t(int(entry.severity) + 1);
    r.sender = senders_.use(entry.sender);
    return r;
}

void LogRows::releaseRow(const Record& r)
{
    if (r.cellColours)
        cellColours_.erase(r.text);
    senders_.release(r.sender);
    if (r.ownText) {
        ownTextBytes_ -=
            std::max<std::size_t>(1, textBytes(r.timeLength, r.hostLength, r.messageLength));
        delete[] r.text;
    } else {
        arena_.release(r.text);
    }
}

void LogRows::giveTextKey(Record& r)
{
    if (r.text)
        return;
    r.text = new char[1];
    r.ownText = true;
    ownTextBytes_ += 1;
}

LogEntryView LogRows::at(qsizetype row) const
{
    const Record& r = record(row);
    const char* time = r.text;
    const char* host = time + r.timeLength;
    const char* message = host + r.hostLength;
    return {QByteArrayView(time, r.timeLength), QByteArrayView(host, r.hostLength),
            QByteArrayView(message, r.messageLength), Severity(int(r.severity) - 1),
            senders_.at(r.sender)};
}

int LogRows::textColour(qsizetype row, int column) const
{
    const Record& r = record(row);
    const std::uint8_t stored = r.cellColours ? cellColours_.at(r.text)[size_t(column)] : r.colour;
    return stored == kStoredOutOfTable ? kOutOfTableIndex : int(stored);
}

void LogRows::setTextColour(qsizetype row, int column, int colourIndex)
{
    Record& r = record(row);
    const std::uint8_t stored = storedColour(colourIndex);
    if (!r.cellColours) {
        if (stored == r.colour)
            return;
        giveTextKey(r);
        cellColours_[r.text].fill(r.colour);
        r.cellColours = true;
    }
    cellColours_[r.text][size_t(column)] = stored;
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

void LogRows::insert(qsizetype row, const LogEntryView& entry, int colourIndex)
{
    makeRoomForOne();
    if (row <= 0) {
        records_.push_back(makeRecord(entry, true, colourIndex));
        return;
    }
    row = std::min(row, size());
    // Only rows added on top are in arrival order; the rest keep their texts apart.
    records_.insert(records_.end() - row, makeRecord(entry, false, colourIndex));
}

void LogRows::remove(qsizetype row)
{
    const auto it = records_.end() - 1 - row;
    releaseRow(*it);
    records_.erase(it);
}

void LogRows::removeOldest(qsizetype count)
{
    count = std::min(count, size());
    for (qsizetype i = 0; i < count; ++i) {
        releaseRow(records_.front());
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
    senders_.clear();
    cellColours_.clear();
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
        for (qsizetype row = batch.size() - 1; row >= 0; --row) {
            const Record& from = batch.record(row);
            Record r = makeRecord(batch.at(row), true);
            r.colour = from.colour;
            if (from.cellColours) {
                giveTextKey(r);
                cellColours_[r.text] = batch.cellColours_.at(from.text);
                r.cellColours = true;
            }
            records_.push_back(r);
        }
        batch.clear();
        return;
    }
    arena_.adopt(std::move(batch.arena_));
    // The batch's senders become this list's; its texts, and so their cell colours, stay put.
    for (Record& r : batch.records_)
        r.sender = senders_.use(batch.senders_.at(r.sender));
    records_.insert(records_.end(), batch.records_.begin(), batch.records_.end());
    cellColours_.merge(batch.cellColours_);
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
