// The records of a forwarding queue's segment as read back after a crash or damage on the disk:
// each whole record read is exactly what was appended, damage is stepped over, and nothing is
// read beyond the end given.
#include "FuzzSupport.h"
#include "forward/core/QueueRecord.h"
#include "forward/core/QueueRecordFile.h"

#include <sys/mman.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace quendal;
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));

    const QueueRecordRead first = readQueueRecord(bytes);
    switch (first.status) {
    case QueueRecordRead::Status::Whole: {
        FUZZ_CHECK(first.size == kQueueRecordHeaderSize + first.payload.size());
        QByteArray again;
        appendQueueRecord(again, first.payload);
        FUZZ_CHECK(again == bytes.first(first.size));
        break;
    }
    case QueueRecordRead::Status::Short:
        FUZZ_CHECK(first.size > bytes.size());
        FUZZ_CHECK(first.size <= kQueueRecordHeaderSize + kQueueRecordMaxPayload);
        break;
    case QueueRecordRead::Status::Damaged:
        FUZZ_CHECK(first.size == 0);
        break;
    }

    // The same bytes as a segment file, read record by record as the queue does.
    static const int fd = ::memfd_create("segment", MFD_CLOEXEC);
    FUZZ_CHECK(fd >= 0);
    FUZZ_CHECK(::ftruncate(fd, 0) == 0);
    FUZZ_CHECK(::pwrite(fd, data, size, 0) == ssize_t(size));
    QueueRecordFile file(fd);
    qint64 at = 0;
    for (;;) {
        const QueueRecordFile::Next next = file.next(at, qint64(size));
        FUZZ_CHECK(next.status != QueueRecordFile::Next::Status::Failed);
        if (next.status == QueueRecordFile::Next::Status::End) {
            FUZZ_CHECK(next.end == at);
            break;
        }
        FUZZ_CHECK(next.start >= at && next.end <= qint64(size));
        FUZZ_CHECK(next.damaged == (next.start > at));
        QByteArray again;
        appendQueueRecord(again, next.payload);
        FUZZ_CHECK(again == bytes.sliced(next.start, next.end - next.start));
        at = next.end;
    }
    return 0;
}
