#include "forward/core/QueueRecord.h"

#include <QtEndian>

#include <zlib.h>

namespace quendal {

namespace {

constexpr quint32 kMagic = 0x51524543; // "QREC"

quint32 checksum(const uchar* lengthBytes, QByteArrayView payload)
{
    uLong crc = ::crc32(0L, lengthBytes, 4);
    crc = ::crc32(crc, reinterpret_cast<const Bytef*>(payload.data()), uInt(payload.size()));
    return quint32(crc);
}

} // namespace

void appendQueueRecord(QByteArray& out, QByteArrayView payload)
{
    Q_ASSERT(payload.size() <= kQueueRecordMaxPayload);
    uchar header[kQueueRecordHeaderSize];
    qToLittleEndian<quint32>(kMagic, header);
    qToLittleEndian<quint32>(quint32(payload.size()), header + 4);
    qToLittleEndian<quint32>(checksum(header + 4, payload), header + 8);
    out.append(reinterpret_cast<const char*>(header), kQueueRecordHeaderSize);
    out.append(payload.data(), payload.size());
}

QueueRecordRead readQueueRecord(QByteArrayView bytes)
{
    QueueRecordRead read;
    const auto* data = reinterpret_cast<const uchar*>(bytes.data());
    const qsizetype magicBytes = qMin<qsizetype>(bytes.size(), 4);
    uchar magic[4];
    qToLittleEndian<quint32>(kMagic, magic);
    for (qsizetype i = 0; i < magicBytes; ++i) {
        if (data[i] != magic[i])
            return read;
    }
    if (bytes.size() < kQueueRecordHeaderSize) {
        read.status = QueueRecordRead::Status::Short;
        read.size = kQueueRecordHeaderSize;
        return read;
    }
    const quint32 length = qFromLittleEndian<quint32>(data + 4);
    if (length > quint32(kQueueRecordMaxPayload))
        return read;
    read.size = kQueueRecordHeaderSize + qsizetype(length);
    if (bytes.size() < read.size) {
        read.status = QueueRecordRead::Status::Short;
        return read;
    }
    const QByteArrayView payload = bytes.sliced(kQueueRecordHeaderSize, length);
    if (checksum(data + 4, payload) != qFromLittleEndian<quint32>(data + 8)) {
        read.size = 0;
        return read;
    }
    read.status = QueueRecordRead::Status::Whole;
    read.payload = payload;
    return read;
}

} // namespace quendal
