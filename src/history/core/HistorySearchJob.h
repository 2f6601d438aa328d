#pragma once

#include "history/core/HistorySearch.h"

#include <QObject>
#include <QThread>

#include <atomic>

namespace quendal {

// A search of the log files on a thread of its own, so that neither the window nor reception
// waits for it. Matches arrive in small batches, newest first, with the progress in bytes; at
// most `limit` are delivered, and `capped` tells that there were more.
class HistorySearchJob : public QObject
{
    Q_OBJECT

public:
    enum class Outcome
    {
        Completed,
        Capped,
        Cancelled,
        Invalid
    };
    Q_ENUM(Outcome)

    HistorySearchJob(const HistoryQuery& query, const QString& folder, qsizetype limit,
                     QObject* parent = nullptr);
    // Cancels and waits for the thread.
    ~HistorySearchJob() override;

    void start();
    // The thread stops at its next block; finished() follows with Cancelled.
    void cancel();
    bool isRunning() const { return thread_ && thread_->isRunning(); }

Q_SIGNALS:
    void found(const QList<quendal::HistoryEntry>& entries);
    void progress(qint64 bytesRead, qint64 bytesTotal);
    void problem(const QString& path, const QString& reason);
    // `error` is the reason of an invalid query.
    void finished(quendal::HistorySearchJob::Outcome outcome, const QString& error);

private:
    void work();

    HistoryQuery query_;
    QString folder_;
    qsizetype limit_;
    std::atomic<bool> cancel_{false};
    QThread* thread_ = nullptr;
};

} // namespace quendal
