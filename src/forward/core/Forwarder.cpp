#include "forward/core/Forwarder.h"

#include "forward/core/ForwardConnection.h"

#include <QMutexLocker>
#include <QTimer>

#include <memory>
#include <set>

namespace quendal {
namespace {

constexpr std::chrono::milliseconds kPublishInterval{250};

} // namespace

// The forwarding thread's side: one connection per target.
class ForwardWorker : public QObject
{
public:
    explicit ForwardWorker(Forwarder& owner) : owner_(owner)
    {
        connect(&publishTimer_, &QTimer::timeout, this, &ForwardWorker::publish);
    }

    void start(const ForwardSettings& settings)
    {
        stop();
        std::set<QString> folders;
        for (const ForwardTarget& target : settings.targets) {
            auto connection =
                std::make_unique<ForwardConnection>(target, settings, owner_.clock_, this);
            connect(connection.get(), &ForwardConnection::problem, &owner_, &Forwarder::problem);
            connect(connection.get(), &ForwardConnection::recovered, &owner_,
                    &Forwarder::recovered);
            // Two names that come out alike as folders would share a queue.
            if (!folders.insert(queueFolderName(target.name)).second) {
                Q_EMIT owner_.problem(QStringLiteral("cannot forward to %1: its name makes the "
                                                     "same queue folder as another target's")
                                          .arg(target.name));
                continue;
            }
            connection->start();
            connections_.push_back(std::move(connection));
        }
        publishTimer_.start(kPublishInterval);
        publish();
    }

    void retryWaiting()
    {
        for (const auto& connection : connections_)
            connection->retryNow();
    }

    // Moves what reception handed over into the targets' queues.
    void drain()
    {
        std::vector<Forwarder::Handed> taken;
        quint64 dropped = 0;
        {
            QMutexLocker lock(&owner_.handoffMutex_);
            taken.swap(owner_.handoff_);
            dropped = std::exchange(owner_.handoffDropped_, 0);
            owner_.handoffBytes_ = 0;
            owner_.wakePosted_ = false;
        }
        for (const auto& connection : connections_) {
            if (dropped > 0)
                connection->countDropped(dropped);
            for (const Forwarder::Handed& h : taken)
                connection->append(h.bytes, h.sender, h.arrivalMs);
            connection->endBatch();
        }
    }

    void stop()
    {
        drain();
        publishTimer_.stop();
        for (const auto& connection : connections_)
            connection->stop();
        publish();
        connections_.clear();
    }

    void publish()
    {
        ForwardStatusList status;
        for (const auto& connection : connections_)
            status.push_back(connection->status());
        owner_.publish(std::move(status));
    }

private:
    Forwarder& owner_;
    std::vector<std::unique_ptr<ForwardConnection>> connections_;
    QTimer publishTimer_{this}; // a child: it moves to the thread with the worker
};

Forwarder::Forwarder(const Clock& clock, QObject* parent) : QObject(parent), clock_(clock)
{
    thread_.setObjectName(QStringLiteral("forwarding"));
}

Forwarder::~Forwarder()
{
    stop();
    if (thread_.isRunning()) {
        thread_.quit();
        thread_.wait();
    }
}

void Forwarder::apply(const ForwardSettings& settings)
{
    if (isActive() && settings == settings_) {
        QMetaObject::invokeMethod(
            worker_, [this] { worker_->retryWaiting(); }, Qt::QueuedConnection);
        return;
    }
    stop();
    settings_ = settings;
    if (settings.targets.empty())
        return;
    if (!worker_) {
        worker_ = new ForwardWorker(*this);
        worker_->moveToThread(&thread_);
        connect(&thread_, &QThread::finished, worker_, &QObject::deleteLater);
        thread_.start();
    }
    QMetaObject::invokeMethod(
        worker_, [this] { worker_->start(settings_); }, Qt::BlockingQueuedConnection);
    active_.store(true, std::memory_order_relaxed);
}

void Forwarder::stop()
{
    if (!isActive())
        return;
    active_.store(false, std::memory_order_relaxed);
    QMetaObject::invokeMethod(
        worker_, [this] { worker_->stop(); }, Qt::BlockingQueuedConnection);
    settings_ = {};
}

ForwardStatusList Forwarder::status() const
{
    QMutexLocker lock(&statusMutex_);
    return status_;
}

void Forwarder::publish(ForwardStatusList status)
{
    QMutexLocker lock(&statusMutex_);
    status_ = std::move(status);
}

void Forwarder::offer(QByteArrayView received, const QString& sender, qint64 arrivalMs)
{
    if (!isActive())
        return;
    bool wake = false;
    {
        QMutexLocker lock(&handoffMutex_);
        const qint64 cost = received.size() + kHandedOverhead;
        if (handoffBytes_ + cost > kHandoffBytes) {
            ++handoffDropped_;
        } else {
            handoffBytes_ += cost;
            handoff_.push_back({received.toByteArray(), sender, arrivalMs});
        }
        wake = !std::exchange(wakePosted_, true);
    }
    if (wake)
        QMetaObject::invokeMethod(
            worker_, [this] { worker_->drain(); }, Qt::QueuedConnection);
}

} // namespace quendal
