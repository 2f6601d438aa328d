#include "viewer/core/ArrivalOrder.h"

namespace quendal {

void ArrivalOrder::beforeDatagram()
{
    if (next_)
        next_->beforeDatagram();
}

void ArrivalOrder::entryStored(LogCategory category, const LogEntryView& entry)
{
    drain_.push_back(quint8(categoryIndex(category)));
    if (next_)
        next_->entryStored(category, entry);
}

void ArrivalOrder::senderAdded(const QString& address)
{
    if (next_)
        next_->senderAdded(address);
}

void ArrivalOrder::statusReported(const QString& sender, QByteArrayView text)
{
    if (next_)
        next_->statusReported(sender, text);
}

void ArrivalOrder::statusChanged(const WanStatus& status)
{
    if (next_)
        next_->statusChanged(status);
}

void ArrivalOrder::messageTaken(const IncomingMessage& message, const IntakeOutcome& outcome)
{
    if (next_)
        next_->messageTaken(message, outcome);
}

void ArrivalOrder::overRate(const std::vector<OverRateReport>& reports)
{
    if (next_)
        next_->overRate(reports);
}

void ArrivalOrder::drainEnded()
{
    if (next_)
        next_->drainEnded();
    // One lock per drain, before the engine posts the drain's batch.
    QMutexLocker lock(&mutex_);
    if (notes_.size() - start_ + drain_.size() > kMaxNotes) {
        notes_.clear();
        start_ = 0;
    }
    notes_.insert(notes_.end(), drain_.begin(), drain_.end());
    drain_.clear();
}

std::vector<quint8> ArrivalOrder::take(size_t count)
{
    QMutexLocker lock(&mutex_);
    if (notes_.size() - start_ < count) {
        notes_.clear();
        start_ = 0;
        return {};
    }
    std::vector<quint8> taken(notes_.begin() + qsizetype(start_),
                              notes_.begin() + qsizetype(start_ + count));
    start_ += count;
    if (start_ == notes_.size()) {
        notes_.clear();
        start_ = 0;
    }
    return taken;
}

} // namespace quendal
