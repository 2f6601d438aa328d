#include "history/core/FileBlocks.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

namespace quendal {
namespace {

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

class PlainBlocks : public FileBlocks
{
public:
    explicit PlainBlocks(int fd) : fd_(fd) {}
    ~PlainBlocks() override { ::close(fd_); }

    qint64 read(char* into, qint64 size) override
    {
        for (;;) {
            const ssize_t n = ::read(fd_, into, size_t(size));
            if (n >= 0) {
                done_ += n;
                return n;
            }
            if (errno != EINTR) {
                error_ = systemError();
                return -1;
            }
        }
    }
    qint64 bytesReadOnDisk() const override { return done_; }

private:
    int fd_;
    qint64 done_ = 0;
};

class GzipBlocks : public FileBlocks
{
public:
    explicit GzipBlocks(gzFile file) : file_(file)
    {
        // A large inflate buffer: fewer, longer reads of the compressed file.
        gzbuffer(file_, 256 * 1024);
    }
    ~GzipBlocks() override { gzclose(file_); }

    qint64 read(char* into, qint64 size) override
    {
        const int n = gzread(file_, into, unsigned(std::min<qint64>(size, 1 << 30)));
        if (n < 0) {
            int code = 0;
            error_ = QString::fromLocal8Bit(gzerror(file_, &code));
            return -1;
        }
        // A stream cut short ends like a whole one but leaves an error behind.
        if (n == 0) {
            int code = Z_OK;
            const char* message = gzerror(file_, &code);
            if (code != Z_OK && code != Z_STREAM_END) {
                error_ = QString::fromLocal8Bit(message);
                return -1;
            }
        }
        return n;
    }
    qint64 bytesReadOnDisk() const override { return gzoffset(file_); }

private:
    gzFile file_;
};

} // namespace

std::unique_ptr<FileBlocks> FileBlocks::open(const QString& path, bool compressed, QString* error)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        if (error)
            *error = systemError();
        return nullptr;
    }
    if (!compressed)
        return std::make_unique<PlainBlocks>(fd);
    gzFile file = gzdopen(fd, "rb");
    if (!file) {
        ::close(fd);
        if (error)
            *error = QStringLiteral("cannot read it as gzip");
        return nullptr;
    }
    return std::make_unique<GzipBlocks>(file);
}

} // namespace quendal
