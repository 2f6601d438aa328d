#pragma once

#include "common/core/Clock.h"
#include "logs/core/LogCategory.h"
#include "logs/core/LogEntry.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <array>
#include <chrono>
#include <optional>
#include <sys/types.h>

namespace quendal {

// The automatic log files: every stored entry is appended to its category's file in the log
// folder. Each file is opened once (append mode) and kept open. Whoever renames, deletes or
// replaces a file behind our back (logrotate, a user, a folder made anew) is noticed within
// kPathCheckInterval: the next entry then goes to a file at the configured path again, as if
// the file were opened for every entry. Truncating the file in place (logrotate's copytruncate)
// needs nothing: append mode writes at the new end.
//
// Files are created with mode 0640 (or what a stricter umask leaves). A symbolic link, FIFO or
// device at a file's path is refused, reported once with the path, and nothing is written through
// it; the other categories go on.
//
// A file holds whole entries only: a write that fails or falls short is undone by truncating the
// file back to where it started, and its entries are counted as not written. A file that cannot
// be written is reported once, not once per entry, until a write to it succeeds again; the entry
// itself stays in its list.
//
// Used from one thread: the one that appends.
class AutoLogFiles : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds kPathCheckInterval{250};
    // A batch writes a file early once this much is staged for it, so memory stays bounded.
    static constexpr qsizetype kMaxStagedBytes = 1 << 20;
    // Readable by the owner's group (adm, for logcheck and the like), by nobody else.
    static constexpr mode_t kFileMode = 0640;
    // The failure of a path that leads to something other than a regular file (like an errno).
    static constexpr int kNotRegularFile = -1;

    // While a scope is alive, appended entries are staged; when the outermost scope ends, each
    // file gets its staged entries in one write.
    class BatchScope
    {
    public:
        explicit BatchScope(AutoLogFiles& files);
        ~BatchScope();
        BatchScope(const BatchScope&) = delete;
        BatchScope& operator=(const BatchScope&) = delete;

    private:
        AutoLogFiles& files_;
    };

    explicit AutoLogFiles(const QString& folder = {}, QObject* parent = nullptr);
    ~AutoLogFiles() override;

    void setFolder(const QString& folder);
    QString folder() const { return folder_; }
    QString filePath(LogCategory c) const;

    // Appends one entry: at once, or at the end of the batch while a BatchScope is alive. False
    // when it was written at once and could not be; a staged entry gives true.
    bool append(LogCategory c, const LogEntryView& entry);
    bool isFailing(LogCategory c) const { return files_[size_t(categoryIndex(c))].failing; }
    // Entries that could not be written to their file since construction.
    quint64 notWritten() const { return notWritten_; }

    // The clock the path check is timed by; not owned, outlives these files.
    void setClock(const Clock& clock) { clock_ = &clock; }

    // Failures go to standard error as one line each, unless switched off.
    void setReportToStandardError(bool on) { reportToStandardError_ = on; }

public Q_SLOTS:
    // Closes every file; the next entry of each opens the file at its path again (SIGHUP).
    void reopen();

Q_SIGNALS:
    // `path` names the log folder when the folder is missing, otherwise the file.
    void writeFailed(quendal::LogCategory category, const QString& path, const QString& reason);
    void writeRecovered(quendal::LogCategory category, const QString& path);

private:
    struct File
    {
        QByteArray path; // encoded for the system
        int fd = -1;
        dev_t device = 0;
        ino_t inode = 0;
        bool failing = false;
        QByteArray staged; // whole entries of the running batch
        quint64 stagedEntries = 0;
    };

    void beginBatch() { ++batchDepth_; }
    void endBatch();
    void writeStaged(File& file, LogCategory c);
    // Writes whole entries or nothing; reports a failure or recovery.
    bool writeEntries(File& file, LogCategory c, const QByteArray& bytes, quint64 entries);
    int writeWhole(File& file, const QByteArray& bytes);
    bool openFile(File& file, int* error);
    void closeFile(File& file);
    void checkPathsIfDue();
    void reportFailure(File& file, LogCategory c, int error);
    void reportRecovery(File& file, LogCategory c);

    QString folder_;
    std::array<File, kCategoryCount> files_;
    QByteArray buffer_;
    quint64 notWritten_ = 0;
    int batchDepth_ = 0;
    const Clock* clock_ = &Clock::system();
    std::optional<qint64> lastPathCheck_; // monotonic ms; none yet
    bool reportToStandardError_ = true;
};

} // namespace quendal
