#pragma once

#include "common/core/Clock.h"
#include "forward/core/DiskQueue.h"
#include "forward/core/ForwardStatus.h"
#include "forward/core/ForwardTarget.h"
#include "forward/core/ReconnectBackoff.h"
#include "forward/core/Rfc5424Message.h"

#include <QAbstractSocket>
#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <deque>
#include <memory>

namespace quendal {

// One collector: its disk queue and its connection, on the forwarding thread. Every accepted
// message goes into the queue and leaves it only once the collector's system has acknowledged
// its bytes; after a lost connection the unacknowledged tail is sent again.
class ForwardConnection : public QObject
{
    Q_OBJECT

public:
    // Records written but not yet acknowledged, at most; a duplicate after a crash is at most
    // these.
    static constexpr int kMaxInFlight = 10000;

    ForwardConnection(ForwardTarget target, const ForwardSettings& settings, const Clock& clock,
                      QObject* parent = nullptr);
    ~ForwardConnection() override;

    // Opens the queue and makes the first attempt at once. false, with the reason reported
    // (problem), when the queue cannot be opened: the target then counts what it drops.
    bool start();
    // Formats and queues one message, and sends it when connected.
    void append(QByteArrayView received, const QString& sender, qint64 arrivalMs);
    // After the messages of one handoff: the queue flushes as its policy says.
    void endBatch();
    // Messages that never reached the queue (the handoff was full).
    void countDropped(quint64 messages);
    // A connection waiting for its next attempt makes it now (after a reload).
    void retryNow();
    // Waits a moment for the collector to acknowledge what is in flight, flushes the queue to
    // the disk and closes.
    void stop();

    ForwardTargetStatus status() const;
    const ForwardTarget& target() const { return target_; }

Q_SIGNALS:
    // A failure, once per kind until it recovers; its recovery, once.
    void problem(const QString& text);
    void recovered(const QString& text);

private:
    struct Fence
    {
        qint64 end;      // the byte count, sent to the system, that ends these records
        quint64 records; // how many
    };

    void connectNow();
    void onConnected();
    void onFailure(const QString& reason);
    void pump();
    void checkAcknowledged();
    void resetConnection();
    void report(ForwardState kind, const QString& text);
    quint64 inFlight() const;

    ForwardTarget target_;
    QString queueFolder_;
    DiskQueueOptions queueOptions_;
    const Clock& clock_;
    std::unique_ptr<DiskQueue> queue_;
    ArrivalTimestamps arrivalTimestamps_;
    QAbstractSocket* socket_ = nullptr;
    ReconnectBackoff backoff_;
    QTimer retryTimer_;
    QTimer connectTimeout_;
    QTimer ackPoll_;
    QTimer syncTimer_;
    ForwardState state_ = ForwardState::Connecting;
    std::optional<ForwardState> reported_; // the kind of failure reported, until it recovers
    QString certificateProblem_;
    bool connected_ = false;
    bool stopping_ = false;
    bool fullReported_ = false; // until the queue is empty again

    // Byte counts of this connection: handed to Qt, handed to the system.
    qint64 written_ = 0;
    qint64 toSystem_ = 0;
    std::deque<Fence> fences_;
    quint64 unfenced_ = 0; // written over TLS, waiting for the buffers to empty to be fenced
    QByteArray frame_;

    quint64 accepted_ = 0;
    quint64 carriedOver_ = 0;
    quint64 sent_ = 0;
    quint64 notQueued_ = 0; // handoff full, queue unusable or unwritable
    quint64 failedAttempts_ = 0;
};

} // namespace quendal
