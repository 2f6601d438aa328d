#pragma once

#include "history/core/HistoryFiles.h"
#include "history/core/HistoryQuery.h"
#include "logs/core/LogEntry.h"

#include <QList>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

namespace quendal {

class FileScan;

// One entry found in a log file.
struct HistoryEntry
{
    LogCategory category = LogCategory::FireWall;
    LogEntry entry;
    QString file;
    qint64 line = 0;               // of its Time line, from 1
    std::optional<qint64> datedMs; // the instant its Time stands for, when it can be dated
};

// Searches log files for the entries that match a query, newest first: the files one after the
// other as findHistoryFiles() orders them, and inside each file from its end to its start. Each
// file is read once from its start in large blocks, the next file on a second thread while one
// is handed on; with a literal to look for, only the entries that hold it are taken apart. An
// incomplete last entry (fewer than three lines) is left out. A file's matches are handed on once
// the file has been read, since its classic times are dated from its end.
class HistorySearch
{
public:
    struct Progress
    {
        qint64 bytesRead = 0; // of the files on disk, compressed files as compressed
        qint64 bytesTotal = 0;
    };
    // Each match in turn; false stops the search.
    using Sink = std::function<bool(const HistoryEntry&)>;
    // A file that could not be read (wholly or in part): its path and the reason.
    using Problem = std::function<void(const QString& path, const QString& reason)>;

    HistorySearch(const HistoryQuery& query, QList<HistoryFile> files);

    // With a positive limit only the newest `limit` matches need to be kept, which bounds the
    // memory a file's matches take.
    void setMatchLimit(qsizetype limit) { limit_ = limit; }
    void setCancelFlag(const std::atomic<bool>* cancel) { cancel_ = cancel; }
    void setProgress(std::function<void(const Progress&)> progress)
    {
        progress_ = std::move(progress);
    }
    void setProblem(Problem problem) { problem_ = std::move(problem); }

    // False when the query is invalid (error() says why) or the search was cancelled or stopped.
    bool run(const Sink& sink);
    QString error() const { return error_; }

    // Bytes the search reads through at a time.
    static constexpr qsizetype kBlockSize = 256 << 10;

private:
    struct ScannedFile
    {
        LogCategory category = LogCategory::FireWall;
        QString path;
        std::shared_ptr<FileScan> scan; // none when the search was stopped
        QList<std::pair<QString, QString>> problems;
    };
    // On a thread of its own: reads one file and keeps what it must hand on.
    ScannedFile scanFile(const HistoryFile& file, qsizetype keep, std::atomic<qint64>& bytesRead,
                         const std::atomic<bool>& stop) const;

    HistoryQuery query_;
    QList<HistoryFile> files_;
    qsizetype limit_ = 0;
    const std::atomic<bool>* cancel_ = nullptr;
    std::function<void(const Progress&)> progress_;
    Problem problem_;
    QString error_;
};

} // namespace quendal
