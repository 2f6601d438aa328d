#include "logs/core/LogFileReader.h"

#include "common/core/TextFiles.h"

#include <QFile>

#include <cstring>

namespace quendal {

int LogFileReader::AddLoadedLine(LogRows& rows, QByteArrayView line)
{
    if (const qsizetype lf = line.indexOf('\n'); lf >= 0)
        line = line.first(lf);

    if (pendingCount_ == 0 && line.startsWith('[')) {
        // Up to the last ']': an emergency's Time may hold a ']' of its own.
        if (const qsizetype close = line.lastIndexOf(']'); close > 0) {
            line = line.sliced(1, close - 1);
            emergency_ = true;
        }
    }

    pendingBytes_.append(line);
    pendingEnds_[size_t(pendingCount_++)] = pendingBytes_.size();

    if (pendingCount_ == 3) {
        const QByteArrayView all(pendingBytes_);
        const LogEntryView entry{all.first(pendingEnds_[0]),
                                 all.sliced(pendingEnds_[0], pendingEnds_[1] - pendingEnds_[0]),
                                 all.sliced(pendingEnds_[1], pendingEnds_[2] - pendingEnds_[1]),
                                 emergency_ ? Severity::Emergency : Severity::Unknown};
        rows.prepend(entry);
        discardPending();
    }
    return 1;
}

void LogFileReader::discardPending()
{
    pendingBytes_.clear();
    pendingCount_ = 0;
    emergency_ = false;
}

bool LogFileReader::load(const QString& path, LogList& list, QString* error,
                         qsizetype* entriesInFile)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    discardPending();

    // Older entries leave the batch as newer ones are read, as they would leave the list.
    LogRows batch(list.maxRows());
    QByteArray carry; // the start of a line that runs past the end of a read
    QByteArray chunk(1 << 20, Qt::Uninitialized);
    const auto takeLine = [&](QByteArrayView line) {
        AddLoadedLine(batch, withoutLineEnd(line));
    };

    for (;;) {
        const qint64 n = file.read(chunk.data(), chunk.size());
        if (n < 0) {
            if (error)
                *error = file.errorString();
            discardPending();
            return false;
        }
        if (n == 0)
            break;
        const char* p = chunk.constData();
        const char* end = p + n;
        while (p < end) {
            const char* lf = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
            if (!lf) {
                carry.append(p, end - p);
                break;
            }
            if (carry.isEmpty()) {
                takeLine(QByteArrayView(p, lf + 1 - p));
            } else {
                carry.append(p, lf + 1 - p);
                takeLine(carry);
                carry.clear();
            }
            p = lf + 1;
        }
    }
    if (!carry.isEmpty())
        AddLoadedLine(batch, carry);

    if (entriesInFile)
        *entriesInFile = batch.size() + batch.rowsPushedOut();
    list.clear();
    list.prependAll(std::move(batch));
    return true;
}

} // namespace quendal
