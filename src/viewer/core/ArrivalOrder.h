#pragma once

#include "receiver/core/IntakeStep.h"

#include <QMutex>

#include <vector>

namespace quendal {

// Notes the category of every stored entry in the order they came, on the receiver thread, and
// passes every call on to the next sink. A delivery holds its entries category by category; with
// this the viewer socket hands them on in their order across categories, as the service prints
// them.
class ArrivalOrder : public IntakeSink
{
public:
    explicit ArrivalOrder(IntakeSink* next = nullptr) : next_(next) {}

    // On the receiver's own thread.
    void beforeDatagram() override;
    void entryStored(LogCategory category, const LogEntryView& entry) override;
    void senderAdded(const QString& address) override;
    void statusReported(const QString& sender, QByteArrayView text) override;
    void statusChanged(const WanStatus& status) override;
    void messageTaken(const IncomingMessage& message, const IntakeOutcome& outcome) override;
    void overRate(const std::vector<OverRateReport>& reports) override;
    void drainEnded() override;

    // On the thread deliveries reach: the categories of the next `count` entries, oldest
    // first; fewer when the notes fell behind (they are then dropped, so as to start afresh).
    std::vector<quint8> take(size_t count);

    // Notes held at most between two deliveries; beyond, they are dropped.
    static constexpr size_t kMaxNotes = size_t(1) << 22;

private:
    IntakeSink* next_;
    std::vector<quint8> drain_; // the receiver thread's own, until the drain ends
    QMutex mutex_;
    std::vector<quint8> notes_;
    size_t start_ = 0;
};

} // namespace quendal
