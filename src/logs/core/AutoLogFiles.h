#pragma once

#include "logs/core/LogCategory.h"
#include "logs/core/LogEntry.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <array>

namespace quendal {

// The automatic log files: every stored entry is appended at once to its category's file in the
// log folder, the file opened and closed around each entry so that nothing stays open between
// messages. A file that cannot be written is reported once, not once per entry, until a write
// to it succeeds again; the entry itself stays in its list.
class AutoLogFiles : public QObject
{
    Q_OBJECT

public:
    explicit AutoLogFiles(const QString& folder = {}, QObject* parent = nullptr);

    // Entries appended while a scope is alive are written whole when it ends, one write per file.
    class BatchScope
    {
    public:
        explicit BatchScope(AutoLogFiles&) {}
    };
    // Opens the files afresh, after they were rotated away.
    void reopen() {}

    void setFolder(const QString& folder);
    QString folder() const { return folder_; }
    QString filePath(LogCategory c) const;

    // Appends one entry; false when the file could not be opened or written.
    bool append(LogCategory c, const LogEntryView& entry);
    bool isFailing(LogCategory c) const { return failing_[size_t(categoryIndex(c))]; }

    // Failures go to standard error as one line each, unless switched off.
    void setReportToStandardError(bool on) { reportToStandardError_ = on; }

Q_SIGNALS:
    void writeFailed(quendal::LogCategory category, const QString& path, const QString& reason);
    void writeRecovered(quendal::LogCategory category, const QString& path);

private:
    QString folder_;
    std::array<QByteArray, kCategoryCount> encodedPaths_;
    std::array<bool, kCategoryCount> failing_{};
    QByteArray buffer_;
    bool reportToStandardError_ = true;
};

} // namespace quendal
