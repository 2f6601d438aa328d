#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

#include <chrono>
#include <memory>
#include <optional>

namespace quendal {

class Clock;

struct DiskQueueOptions
{
    // Records beyond it drop the oldest, counted.
    qint64 maxBytes = qint64(1024) * 1024 * 1024;
    // When appended records are flushed to the disk (fdatasync). A kill loses nothing either
    // way; a power cut loses at most what came in since the last flush.
    enum class Sync
    {
        EveryBatch, // at each batchDone()
        Interval,   // once syncInterval has passed since the last flush
        Never       // left to the system (the position file is still replaced, unflushed)
    } sync = Sync::Interval;
    std::chrono::milliseconds syncInterval{1000};
};

struct DiskQueueCounters
{
    quint64 entries = 0, bytes = 0; // in the queue now (sent or not)
    quint64 appended = 0;           // since open
    quint64 acknowledged = 0;       // left the queue as delivered, since open
    quint64 droppedFull = 0;        // oldest dropped because the queue was full, since open
    quint64 tornSkipped = 0;        // damaged records found and skipped, since open
};

// The records waiting for one forwarding target, kept in segment files so that they survive a
// kill or a power cut; a record leaves only once acknowledged (or dropped when full, counted).
// Destroying it without sync() is what a kill does: every record appended comes again after
// the next open, and a few acknowledged ones may too. Memory stays bounded whatever the size of
// the queue. Single-threaded: used from the forwarder's thread alone.
class DiskQueue
{
public:
    // Opens or creates the queue in `folder` (created 0700; no symlink is followed; only files
    // of the queue's own naming are touched; one process at a time). nullptr with a reason in
    // `error`.
    static std::unique_ptr<DiskQueue> open(const QString& folder, const DiskQueueOptions& options,
                                           const Clock& clock, QString* error);
    ~DiskQueue();
    DiskQueue(const DiskQueue&) = delete;
    DiskQueue& operator=(const DiskQueue&) = delete;

    // False (counted by the caller) on a write failure or a record over 1 MiB; the reason is
    // in lastError(). A failed append leaves no part of the record behind.
    bool append(QByteArrayView record);
    // The oldest record not yet handed out, or nullopt.
    std::optional<QByteArray> nextToSend();
    // Hands out again from the oldest unacknowledged record (after a reconnect).
    void rewind();
    // The oldest `records` handed out were delivered. Records handed out and then dropped
    // because the queue was full are among them, counted as dropped rather than delivered.
    // The queue remembers each record handed out and not yet acknowledged (a few bytes each).
    void acknowledge(quint64 records);
    // Called after each batch of appends or acknowledgements, and now and then when idle:
    // flushes to the disk as the sync policy says (every batch, or once the interval passed).
    void batchDone();
    // Flushes to the disk now (at stop).
    void sync();
    const DiskQueueCounters& counters() const;
    // The last failure, reported once by the caller.
    QString lastError() const;

private:
    struct State;
    explicit DiskQueue(std::unique_ptr<State> state);
    std::unique_ptr<State> d_;
};

} // namespace quendal
