#pragma once

#include "common/core/Clock.h"
#include "forward/core/ForwardSink.h"
#include "forward/core/ForwardStatus.h"
#include "forward/core/ForwardTarget.h"

#include <QByteArray>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QThread>

#include <atomic>
#include <vector>

namespace quendal {

class ForwardWorker;

// Forwarding to every configured collector, on a thread of its own: reception hands each
// accepted message over (offer) without ever waiting; the forwarding thread queues it on disk
// for each target and sends it on. A handoff that is full (the forwarding thread far behind)
// drops the message, counted for every target.
class Forwarder : public QObject, public ForwardSink
{
    Q_OBJECT

public:
    // Messages waiting for the forwarding thread, at most (their bytes, each counted with what
    // keeping it costs besides, so that a flood of tiny messages stays within the bound too).
    static constexpr qint64 kHandoffBytes = qint64(16) * 1024 * 1024;
    static constexpr qint64 kHandedOverhead = 64;

    explicit Forwarder(const Clock& clock = Clock::system(), QObject* parent = nullptr);
    ~Forwarder() override;

    // Forwards to these targets from now on, each making its first attempt at once. The same
    // targets again (a reload) keep their connections, and those waiting to reconnect try at
    // once. No targets: forwarding stops.
    void apply(const ForwardSettings& settings);
    // Queues what was handed over, gives the collectors a moment to acknowledge what is in
    // flight, flushes the queues and closes. status() keeps the final counts.
    void stop();
    bool isActive() const { return active_.load(std::memory_order_relaxed); }

    // The targets' counters as of a moment ago (the thread publishes them a few times a second).
    ForwardStatusList status() const;

    void offer(QByteArrayView received, const QString& sender, qint64 arrivalMs) override;

Q_SIGNALS:
    // A target's failure (once until it recovers) and its recovery, on this object's thread.
    void problem(const QString& text);
    void recovered(const QString& text);

private:
    friend class ForwardWorker;

    struct Handed
    {
        QByteArray bytes;
        QString sender;
        qint64 arrivalMs;
    };

    void publish(ForwardStatusList status);

    const Clock& clock_;
    QThread thread_;
    ForwardWorker* worker_ = nullptr;
    ForwardSettings settings_;
    std::atomic<bool> active_{false};

    QMutex handoffMutex_;
    std::vector<Handed> handoff_;
    qint64 handoffBytes_ = 0;
    quint64 handoffDropped_ = 0;
    bool wakePosted_ = false;

    mutable QMutex statusMutex_;
    ForwardStatusList status_;
};

} // namespace quendal
