#pragma once

#include <QString>

#include <memory>

namespace quendal {

// A log file read in large blocks from its start: a plain file as it is, a gzip file (several
// members too) inflated on the way, never unpacked to disk. Opened without following a
// symbolic link.
class FileBlocks
{
public:
    virtual ~FileBlocks() = default;

    // nullptr with the reason in `error` when the file cannot be opened.
    static std::unique_ptr<FileBlocks> open(const QString& path, bool compressed, QString* error);

    // Up to `size` bytes of the file's content into `into`; 0 at its end, -1 on an error (a
    // damaged or cut compressed file, a read error), with the reason in error().
    virtual qint64 read(char* into, qint64 size) = 0;
    // How far into the file on disk the reading has come, for progress.
    virtual qint64 bytesReadOnDisk() const = 0;
    QString error() const { return error_; }

protected:
    QString error_;
};

} // namespace quendal
