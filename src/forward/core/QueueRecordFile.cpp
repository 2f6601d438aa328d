#include "forward/core/QueueRecordFile.h"

#include <cerrno>
#include <unistd.h>

namespace quendal {

namespace {

constexpr qint64 kWindowBytes = 64 * 1024;

} // namespace

void QueueRecordFile::reset()
{
    window_.clear();
    windowStart_ = 0;
}

QByteArrayView QueueRecordFile::bytes(qint64 offset, qint64 length, qint64 limit)
{
    const qint64 windowEnd = windowStart_ + window_.size();
    if (offset >= windowStart_ && offset + length <= windowEnd)
        return QByteArrayView(window_).sliced(offset - windowStart_, length);
    window_.resize(qMin(qMax(length, kWindowBytes), limit - offset));
    windowStart_ = offset;
    qint64 filled = 0;
    while (filled < window_.size()) {
        const ssize_t n = ::pread(fd_, window_.data() + filled, size_t(window_.size() - filled),
                                  off_t(offset + filled));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            failed_ = true;
        if (n <= 0)
            break;
        filled += n;
    }
    window_.resize(filled);
    return QByteArrayView(window_).first(qMin(length, filled));
}

QueueRecordRead QueueRecordFile::readAt(qint64 offset, qint64 limit, bool* failed)
{
    QueueRecordRead read =
        readQueueRecord(bytes(offset, qMin<qint64>(kQueueRecordHeaderSize, limit - offset), limit));
    if (read.status == QueueRecordRead::Status::Short && offset + read.size <= limit)
        read = readQueueRecord(bytes(offset, read.size, limit));
    *failed = failed_;
    return read;
}

QueueRecordFile::Next QueueRecordFile::next(qint64 offset, qint64 limit)
{
    failed_ = false;
    Next next;
    next.end = offset;
    for (qint64 at = offset; at < limit; ++at) {
        bool failed = false;
        const QueueRecordRead read = readAt(at, limit, &failed);
        if (failed) {
            next.status = Next::Status::Failed;
            return next;
        }
        if (read.status == QueueRecordRead::Status::Whole) {
            next.status = Next::Status::Record;
            next.start = at;
            next.end = at + read.size;
            next.payload = read.payload;
            return next;
        }
        // Not a record here: look for the next one behind the damage.
        next.damaged = true;
    }
    return next;
}

} // namespace quendal
