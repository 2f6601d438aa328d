#pragma once

#include "forward/core/QueueRecord.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>

namespace quendal {

// Reads the records of one segment file at given offsets through a window of bounded size,
// never the whole file. Damaged bytes are stepped over to the next whole record.
class QueueRecordFile
{
public:
    struct Next
    {
        enum class Status
        {
            Record,
            End,
            Failed
        } status = Status::End;
        qint64 start = 0;       // Record: where the record starts
        qint64 end = 0;         // Record: where it ends; End: where the whole records end
        bool damaged = false;   // bytes before `start` (Record) or `end` (End) were no record
        QByteArrayView payload; // Record: valid until the next call
    };

    // `fd` stays the caller's.
    explicit QueueRecordFile(int fd) : fd_(fd) {}

    // The first whole record at or after `offset` that ends by `limit`. End with the offset where
    // the readable records end: `offset` itself, or the end of the last record damage hid.
    Next next(qint64 offset, qint64 limit);
    // Forgets what was read (after the file was truncated).
    void reset();

private:
    // The bytes [offset, offset + length) of the file, fewer when it ends; empty on failure.
    // Nothing at or beyond `limit` is read: bytes there may still change.
    QByteArrayView bytes(qint64 offset, qint64 length, qint64 limit);
    QueueRecordRead readAt(qint64 offset, qint64 limit, bool* failed);

    int fd_;
    QByteArray window_;
    qint64 windowStart_ = 0;
    bool failed_ = false;
};

} // namespace quendal
