#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <memory>
#include <optional>
#include <vector>

namespace quendal {

// A file descriptor closed with its owner.
class UniqueFd
{
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd();
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    int release();

private:
    int fd_ = -1;
};

// Where a queue's acknowledged records end: its oldest unacknowledged record is at `offset` of
// segment `segment` or later.
struct QueuePosition
{
    quint64 segment = 0;
    qint64 offset = 0;
};

// The folder of one queue, reached through a descriptor of its own so that nothing in it is
// found through a symbolic link: the folder itself and every file are opened without following
// one. Only names of the queue's own making are listed or touched: the segments
// "NNNNNNNNNN.qseg" and the position file.
class QueueFolder
{
public:
    // Opens `path`, creating it (0700) when missing. nullptr with the reason in `error`.
    static std::unique_ptr<QueueFolder> open(const QString& path, QString* error);

    const QString& path() const { return path_; }
    // The numbers of the segments present, in order.
    std::optional<std::vector<quint64>> segments(QString* error) const;
    // The segment's file for reading and writing (created when `create`); an invalid descriptor
    // with the reason in `error` when it is missing, not a plain file or a link.
    UniqueFd openSegment(quint64 segment, bool create, QString* error) const;
    bool removeSegment(quint64 segment) const;
    // The position written last; nullopt when there is none or it is not readable.
    std::optional<QueuePosition> readPosition() const;
    // Replaces the position at once: a crash leaves the old one or the new one. `durable`
    // flushes it to the disk before it replaces the old one.
    bool writePosition(const QueuePosition& position, bool durable, QString* error) const;
    // Flushes the folder's entries (new or removed segments) to the disk.
    void syncEntries() const;

    static QByteArray segmentName(quint64 segment);

private:
    QueueFolder(QString path, UniqueFd fd) : path_(std::move(path)), fd_(std::move(fd)) {}

    QString path_;
    UniqueFd fd_;
};

} // namespace quendal
