#include "forward/core/DiskQueue.h"

#include "common/core/Clock.h"
#include "forward/core/QueueFolder.h"
#include "forward/core/QueueRecord.h"
#include "forward/core/QueueRecordFile.h"

#include <cerrno>
#include <cstring>
#include <deque>
#include <unistd.h>

namespace quendal {

namespace {

constexpr qint64 kMaxSegmentBytes = 16 * 1024 * 1024;
constexpr qint64 kMinSegmentBytes = 4096;

struct Segment
{
    quint64 number = 0;
    qint64 size = 0;      // bytes of whole records (and damage between them)
    quint64 records = 0;  // whole records in it
    qint64 ackOffset = 0; // where its acknowledged records end
    quint64 acked = 0;    // records acknowledged
};

// A record handed out and not yet acknowledged: where it ends.
struct InFlight
{
    quint64 segment = 0;
    qint64 end = 0;
};

QString systemError(const QString& what, int error)
{
    return QStringLiteral("%1: %2").arg(what, QString::fromLocal8Bit(std::strerror(error)));
}

} // namespace

struct DiskQueue::State
{
    DiskQueueOptions options;
    const Clock* clock = nullptr;
    std::unique_ptr<QueueFolder> folder;
    qint64 segmentLimit = kMaxSegmentBytes;
    std::deque<Segment> segments;
    quint64 nextNumber = 1;

    UniqueFd writeFd; // the last segment's, while records may go into it
    bool rollBeforeAppend = false;

    quint64 readSegment = 0;
    qint64 readOffset = 0;
    UniqueFd readFd;
    quint64 readFdSegment = 0;
    std::optional<QueueRecordFile> reader;
    std::deque<InFlight> inFlight;
    quint64 inFlightDropped = 0; // handed out, then dropped when full

    bool dataDirty = false;
    bool entriesDirty = false;
    bool positionDirty = false;
    qint64 lastSyncMs = 0;

    DiskQueueCounters counters;
    QString lastError;
    QByteArray scratch;

    QString segmentPath(quint64 number) const
    {
        return folder->path() + QLatin1Char('/') +
               QString::fromLatin1(QueueFolder::segmentName(number));
    }
    qint64 diskBytes() const
    {
        qint64 total = 0;
        for (const Segment& segment : segments)
            total += segment.size;
        return total;
    }
    bool durable() const { return options.sync != DiskQueueOptions::Sync::Never; }
    bool scan(UniqueFd fd, Segment& segment, const std::optional<QueuePosition>& position,
              bool last, QString* error);
    bool roll();
    void dropOldest();
    void removeOldest();
    void removeDone();
    void flushWrites();
};

// Counts the whole records of a segment at open, and those acknowledged before; a damaged tail
// of the last segment is cut off so that new records follow the last whole one.
bool DiskQueue::State::scan(UniqueFd fd, Segment& segment,
                            const std::optional<QueuePosition>& position, bool last, QString* error)
{
    const off_t fileSize = ::lseek(fd.get(), 0, SEEK_END);
    if (fileSize < 0) {
        *error = systemError(segmentPath(segment.number), errno);
        return false;
    }
    const bool holdsPosition = position && position->segment == segment.number;
    QueueRecordFile file(fd.get());
    qint64 at = 0;
    for (;;) {
        const QueueRecordFile::Next next = file.next(at, fileSize);
        if (next.status == QueueRecordFile::Next::Status::Failed) {
            *error = systemError(segmentPath(segment.number), errno);
            return false;
        }
        if (next.damaged)
            ++counters.tornSkipped;
        if (next.status == QueueRecordFile::Next::Status::End) {
            at = next.end;
            break;
        }
        ++segment.records;
        if (holdsPosition && next.end <= position->offset) {
            ++segment.acked;
            segment.ackOffset = next.end;
        }
        at = next.end;
    }
    segment.size = at;
    if (last && at < fileSize) {
        if (::ftruncate(fd.get(), at) != 0) {
            // Whatever follows would sit behind the damage: new records go to a new segment.
            rollBeforeAppend = true;
        }
        dataDirty = true;
    }
    // The position may lie beyond what survived a power cut: records written there now would
    // count as delivered at the next open, so they go to a new segment.
    if (last && holdsPosition && position->offset > at)
        rollBeforeAppend = true;
    if (last)
        writeFd = std::move(fd);
    return true;
}

DiskQueue::DiskQueue(std::unique_ptr<State> state) : d_(std::move(state))
{}
DiskQueue::~DiskQueue() = default;

std::unique_ptr<DiskQueue> DiskQueue::open(const QString& folderPath,
                                           const DiskQueueOptions& options, const Clock& clock,
                                           QString* error)
{
    QString ignored;
    QString& reason = error ? *error : ignored;
    auto d = std::make_unique<State>();
    d->options = options;
    d->clock = &clock;
    d->segmentLimit =
        qMin(options.maxBytes, qBound(kMinSegmentBytes, options.maxBytes / 8, kMaxSegmentBytes));
    d->folder = QueueFolder::open(folderPath, &reason);
    if (!d->folder)
        return nullptr;
    const std::optional<std::vector<quint64>> numbers = d->folder->segments(&reason);
    if (!numbers)
        return nullptr;
    const std::optional<QueuePosition> position = d->folder->readPosition();
    if (position)
        d->nextNumber = position->segment + 1;
    for (size_t i = 0; i < numbers->size(); ++i) {
        const quint64 number = (*numbers)[i];
        const bool last = i + 1 == numbers->size();
        d->nextNumber = qMax(d->nextNumber, number + 1);
        if (position && number < position->segment && !last) {
            // Every record in it was delivered.
            d->folder->removeSegment(number);
            d->entriesDirty = true;
            continue;
        }
        UniqueFd fd = d->folder->openSegment(number, false, &reason);
        if (!fd.valid())
            return nullptr;
        Segment segment;
        segment.number = number;
        if (position && number < position->segment) {
            // Delivered before, kept as the segment new records were going to.
            if (!d->scan(std::move(fd), segment, std::nullopt, last, &reason))
                return nullptr;
            segment.acked = segment.records;
            segment.ackOffset = segment.size;
        } else if (!d->scan(std::move(fd), segment, position, last, &reason)) {
            return nullptr;
        }
        if (segment.acked == segment.records && !last) {
            d->folder->removeSegment(number);
            d->entriesDirty = true;
            continue;
        }
        d->counters.entries += segment.records - segment.acked;
        d->counters.bytes += quint64(segment.size - segment.ackOffset);
        d->segments.push_back(segment);
    }
    if (!d->segments.empty()) {
        d->readSegment = d->segments.front().number;
        d->readOffset = d->segments.front().ackOffset;
    }
    d->lastSyncMs = clock.monotonicMs();
    return std::unique_ptr<DiskQueue>(new DiskQueue(std::move(d)));
}

// Starts a new segment for the records to come.
bool DiskQueue::State::roll()
{
    flushWrites();
    writeFd = {};
    const quint64 number = nextNumber;
    UniqueFd fd = folder->openSegment(number, true, &lastError);
    if (!fd.valid())
        return false;
    ++nextNumber;
    Segment segment;
    segment.number = number;
    if (segments.empty()) {
        readSegment = number;
        readOffset = 0;
    }
    segments.push_back(segment);
    writeFd = std::move(fd);
    rollBeforeAppend = false;
    entriesDirty = true;
    // The segment written so far may be delivered already.
    while (segments.size() > 1 && segments.front().acked == segments.front().records &&
           segments.front().ackOffset == segments.front().size)
        removeOldest();
    return true;
}

// Drops the oldest segment to make room, counting its undelivered records.
void DiskQueue::State::dropOldest()
{
    const Segment& oldest = segments.front();
    const quint64 dropped = oldest.records - oldest.acked;
    counters.droppedFull += dropped;
    counters.entries -= dropped;
    counters.bytes -= quint64(oldest.size - oldest.ackOffset);
    while (!inFlight.empty() && inFlight.front().segment == oldest.number) {
        inFlight.pop_front();
        ++inFlightDropped;
    }
    removeOldest();
}

// Removes the oldest segment's file; the reading moves on to the next segment.
void DiskQueue::State::removeOldest()
{
    const quint64 number = segments.front().number;
    folder->removeSegment(number);
    segments.pop_front();
    entriesDirty = true;
    if (readFdSegment == number) {
        reader.reset();
        readFd = {};
        readFdSegment = 0;
    }
    if (readSegment == number && !segments.empty()) {
        readSegment = segments.front().number;
        readOffset = segments.front().ackOffset;
    }
}

// Removes the oldest segment once reading has gone past it. Records still counted in it were
// lost to damage found while reading (bytes changed on the disk since they were written).
void DiskQueue::State::removeDone()
{
    const Segment& oldest = segments.front();
    const quint64 lost = oldest.records - oldest.acked;
    counters.entries -= lost;
    counters.tornSkipped += lost;
    counters.bytes -= quint64(oldest.size - oldest.ackOffset);
    removeOldest();
}

void DiskQueue::State::flushWrites()
{
    if (dataDirty && writeFd.valid() && durable() && ::fdatasync(writeFd.get()) != 0)
        lastError = systemError(segmentPath(segments.back().number), errno);
    dataDirty = false;
}

bool DiskQueue::append(QByteArrayView record)
{
    State& d = *d_;
    const qint64 recordBytes = kQueueRecordHeaderSize + record.size();
    if (record.size() > kQueueRecordMaxPayload || recordBytes > d.options.maxBytes) {
        d.lastError = QStringLiteral("a record of %1 bytes does not fit in the queue %2")
                          .arg(record.size())
                          .arg(d.folder->path());
        return false;
    }
    const bool full = !d.segments.empty() &&
                      d.segments.back().size + recordBytes > d.segmentLimit &&
                      d.segments.back().size > 0;
    if ((d.segments.empty() || !d.writeFd.valid() || d.rollBeforeAppend || full) && !d.roll())
        return false;
    while (d.segments.size() > 1 && d.diskBytes() + recordBytes > d.options.maxBytes)
        d.dropOldest();

    Segment& segment = d.segments.back();
    d.scratch.clear();
    appendQueueRecord(d.scratch, record);
    qsizetype written = 0;
    while (written < d.scratch.size()) {
        const ssize_t n =
            ::pwrite(d.writeFd.get(), d.scratch.constData() + written,
                     size_t(d.scratch.size() - written), off_t(segment.size + written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            d.lastError = systemError(d.segmentPath(segment.number), n < 0 ? errno : ENOSPC);
            // No half record stays behind; if it cannot be cut off, the next record starts a
            // new segment and reading steps over the remains.
            if (::ftruncate(d.writeFd.get(), segment.size) != 0)
                d.rollBeforeAppend = true;
            return false;
        }
        written += n;
    }
    segment.size += recordBytes;
    ++segment.records;
    ++d.counters.appended;
    ++d.counters.entries;
    d.counters.bytes += quint64(recordBytes);
    d.dataDirty = true;
    if (d.options.sync == DiskQueueOptions::Sync::Interval &&
        d.clock->monotonicMs() - d.lastSyncMs >= d.options.syncInterval.count())
        sync();
    return true;
}

std::optional<QByteArray> DiskQueue::nextToSend()
{
    State& d = *d_;
    for (auto it = d.segments.begin(); it != d.segments.end(); ++it) {
        if (it->number < d.readSegment)
            continue;
        if (it->number > d.readSegment) {
            d.readSegment = it->number;
            d.readOffset = 0;
        }
        if (d.readOffset >= it->size)
            continue;
        if (!d.reader || d.readFdSegment != it->number) {
            d.reader.reset();
            d.readFd = d.folder->openSegment(it->number, false, &d.lastError);
            if (!d.readFd.valid())
                return std::nullopt;
            d.readFdSegment = it->number;
            d.reader.emplace(d.readFd.get());
        }
        const QueueRecordFile::Next next = d.reader->next(d.readOffset, it->size);
        if (next.status == QueueRecordFile::Next::Status::Failed) {
            d.lastError = systemError(d.segmentPath(it->number), errno);
            return std::nullopt;
        }
        if (next.status == QueueRecordFile::Next::Status::End) {
            d.readOffset = it->size;
            continue;
        }
        d.readOffset = next.end;
        d.inFlight.push_back({it->number, next.end});
        return next.payload.toByteArray();
    }
    return std::nullopt;
}

void DiskQueue::rewind()
{
    State& d = *d_;
    d.inFlight.clear();
    d.inFlightDropped = 0;
    if (!d.segments.empty()) {
        d.readSegment = d.segments.front().number;
        d.readOffset = d.segments.front().ackOffset;
    }
}

void DiskQueue::acknowledge(quint64 records)
{
    State& d = *d_;
    const quint64 dropped = qMin(records, d.inFlightDropped);
    d.inFlightDropped -= dropped;
    records -= dropped;
    for (; records > 0 && !d.inFlight.empty(); --records) {
        const InFlight done = d.inFlight.front();
        d.inFlight.pop_front();
        while (d.segments.size() > 1 && d.segments.front().number < done.segment)
            d.removeDone();
        Segment& segment = d.segments.front();
        ++segment.acked;
        d.counters.bytes -= quint64(done.end - segment.ackOffset);
        segment.ackOffset = done.end;
        --d.counters.entries;
        ++d.counters.acknowledged;
        d.positionDirty = true;
        if (segment.acked >= segment.records && d.segments.size() > 1)
            d.removeOldest();
    }
    if (d.options.sync == DiskQueueOptions::Sync::Interval &&
        d.clock->monotonicMs() - d.lastSyncMs >= d.options.syncInterval.count())
        sync();
}

void DiskQueue::batchDone()
{
    State& d = *d_;
    const bool due = d.clock->monotonicMs() - d.lastSyncMs >= d.options.syncInterval.count();
    if (d.options.sync == DiskQueueOptions::Sync::EveryBatch || due)
        sync();
}

void DiskQueue::sync()
{
    State& d = *d_;
    d.flushWrites();
    if (d.entriesDirty && d.durable())
        d.folder->syncEntries();
    d.entriesDirty = false;
    if (d.positionDirty && !d.segments.empty()) {
        const Segment& oldest = d.segments.front();
        if (d.folder->writePosition({oldest.number, oldest.ackOffset}, d.durable(), &d.lastError))
            d.positionDirty = false;
    }
    d.lastSyncMs = d.clock->monotonicMs();
}

const DiskQueueCounters& DiskQueue::counters() const
{
    return d_->counters;
}

QString DiskQueue::lastError() const
{
    return d_->lastError;
}

} // namespace quendal
