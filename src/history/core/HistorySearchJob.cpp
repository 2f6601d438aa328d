#include "history/core/HistorySearchJob.h"

#include <QElapsedTimer>

namespace quendal {
namespace {

// A batch goes out at this size, or sooner when the first results are waiting.
constexpr qsizetype kBatchSize = 500;
constexpr qint64 kBatchMs = 50;

} // namespace

HistorySearchJob::HistorySearchJob(const HistoryQuery& query, const QString& folder,
                                   qsizetype limit, QObject* parent)
    : QObject(parent), query_(query), folder_(folder), limit_(limit)
{
    qRegisterMetaType<QList<quendal::HistoryEntry>>();
    qRegisterMetaType<quendal::HistorySearchJob::Outcome>();
}

HistorySearchJob::~HistorySearchJob()
{
    if (thread_) {
        cancel_ = true;
        thread_->wait();
        delete thread_;
    }
}

void HistorySearchJob::start()
{
    if (thread_)
        return;
    thread_ = QThread::create([this] { work(); });
    thread_->setObjectName(QStringLiteral("history search"));
    thread_->start(QThread::LowPriority);
}

void HistorySearchJob::cancel()
{
    cancel_ = true;
}

// On the search's thread: signals reach the receivers' threads queued.
void HistorySearchJob::work()
{
    HistorySearch search(query_, findHistoryFiles(folder_, query_.categories));
    search.setMatchLimit(limit_);
    search.setCancelFlag(&cancel_);
    QElapsedTimer sinceProgress;
    sinceProgress.start();
    search.setProgress([&](const HistorySearch::Progress& p) {
        if (sinceProgress.elapsed() >= 20 || p.bytesRead == p.bytesTotal) {
            sinceProgress.restart();
            Q_EMIT progress(p.bytesRead, p.bytesTotal);
        }
    });
    search.setProblem(
        [this](const QString& path, const QString& reason) { Q_EMIT problem(path, reason); });

    QList<HistoryEntry> batch;
    QElapsedTimer sinceBatch;
    sinceBatch.start();
    qsizetype delivered = 0;
    bool capped = false;
    const auto send = [&] {
        if (!batch.isEmpty())
            Q_EMIT found(batch);
        batch.clear();
        sinceBatch.restart();
    };
    const bool completed = search.run([&](const HistoryEntry& entry) {
        if (limit_ > 0 && delivered == limit_) {
            capped = true;
            return false;
        }
        batch.append(entry);
        ++delivered;
        if (batch.size() >= kBatchSize || sinceBatch.elapsed() >= kBatchMs || delivered == 1)
            send();
        return true;
    });
    send();
    Outcome outcome = Outcome::Completed;
    if (!search.error().isEmpty())
        outcome = Outcome::Invalid;
    else if (capped)
        outcome = Outcome::Capped;
    else if (!completed || cancel_)
        outcome = Outcome::Cancelled;
    Q_EMIT finished(outcome, search.error());
}

} // namespace quendal
