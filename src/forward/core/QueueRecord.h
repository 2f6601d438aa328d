#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace quendal {

// One record of a queue segment on disk: a 12-byte header (magic, payload length, CRC-32 of the
// length and the payload, each little-endian) and the payload. The checksum tells a whole record
// from one torn by a crash or damaged on the disk.
constexpr qsizetype kQueueRecordHeaderSize = 12;
// Larger payloads are refused on append and taken for damage on reading.
constexpr qsizetype kQueueRecordMaxPayload = 1024 * 1024;

// Appends the record of `payload` (at most kQueueRecordMaxPayload bytes) to `out`.
void appendQueueRecord(QByteArray& out, QByteArrayView payload);

struct QueueRecordRead
{
    enum class Status
    {
        Whole,   // a record: `size` bytes, `payload` a view into the bytes read
        Short,   // the bytes end inside a record that looks right so far: `size` is its length
        Damaged, // no record starts here
    };
    Status status = Status::Damaged;
    qsizetype size = 0;
    QByteArrayView payload;
};

// Reads the record at the start of `bytes`. With the header alone it already answers Short with
// the record's whole length, or Damaged; the checksum is checked once all bytes are there.
QueueRecordRead readQueueRecord(QByteArrayView bytes);

} // namespace quendal
