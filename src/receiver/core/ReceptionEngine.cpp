#include "receiver/core/ReceptionEngine.h"

#include "logs/core/AutoLogFiles.h"
#include "receiver/core/CReplaySocket.h"
#include "transport/core/TlsServerFiles.h"

#include <QDateTime>
#include <QMutexLocker>

#include <arpa/inet.h>

namespace quendal {

// The receiver thread's side: the socket and everything a datagram reaches, and the batch it is
// filling. Lives on the engine's thread; the engine reaches it through queued calls and the
// control block alone.
class ReceptionWorker : public QObject, public IntakeSink
{
public:
    ReceptionWorker(ReceptionEngine& engine, DatagramEcho* echo, const Clock& clock)
        : engine_(engine), files_(new AutoLogFiles(QString(), this)),
          socket_(new CSysLogSocket(*this, {files_, echo, &engine.forwarder_}, this, clock)),
          tcp_(new StreamListener(Transport::Tcp, socket_->step(), *this, files_, clock, this)),
          tls_(new StreamListener(Transport::Tls, socket_->step(), *this, files_, clock, this))
    {
        for (StreamListener* listener : {tcp_, tls_}) {
            listener->setReport([this](const QString& peer, const QString& reason) {
                Q_EMIT engine_.badFrameReported(peer, reason);
            });
        }
        connect(files_, &AutoLogFiles::writeFailed, &engine_, &ReceptionEngine::fileWriteFailed);
        connect(files_, &AutoLogFiles::writeRecovered, &engine_,
                &ReceptionEngine::fileWriteRecovered);
        // Told on this thread; the engine's receivers get it queued on theirs.
        replay_.setFailureReport([this](const QString& reason) {
            if (reason.isEmpty())
                Q_EMIT engine_.forwardingRecovered();
            else
                Q_EMIT engine_.forwardingFailed(reason);
        });
    }

    IntakeSink* observer = nullptr;
    bool batchesWanted = true;
    bool activityWanted = true;

    bool open(const ReceptionSettings& settings, QString* error, QString* replayError)
    {
        close();
        socket_->hosts().forgetSenders();
        socket_->hosts().setCapacity(settings.maxSenders);
        applyControl(replayError);
        if (!createSocket(settings, error)) {
            useReplay(std::nullopt, nullptr);
            return false;
        }
        if (!openStreams(settings, error)) {
            close();
            return false;
        }
        return true;
    }

    bool openStreams(const ReceptionSettings& settings, QString* error)
    {
        QHostAddress address(QHostAddress::Any);
        if (!settings.listenAddress.isEmpty())
            address = QHostAddress(settings.listenAddress);
        else if (settings.address != INADDR_ANY)
            address = QHostAddress(ntohl(settings.address));
        const auto open = [&](StreamListener* listener, std::optional<quint16> port, int inherited,
                              const QString& what) {
            listener->setLimits(settings.streamLimits);
            if (!port && inherited < 0)
                return true;
            QString reason;
            const bool opened = inherited >= 0 ? listener->adopt(inherited, &reason)
                                               : listener->listen(address, *port, &reason);
            if (!opened && error)
                *error = QStringLiteral("%1 port %2: %3")
                             .arg(what, QString::number(port.value_or(0)), reason);
            return opened;
        };
        if (settings.tlsPort || settings.inheritedTlsSocket >= 0) {
            const auto configuration = readTlsServerConfiguration(
                settings.tlsCertificate, settings.tlsKey, settings.tlsClientCa, error);
            if (!configuration)
                return false;
            tls_->setTlsConfiguration(*configuration);
        }
        return open(tcp_, settings.tcpPort, settings.inheritedTcpSocket, QStringLiteral("TCP")) &&
               open(tls_, settings.tlsPort, settings.inheritedTlsSocket, QStringLiteral("TLS"));
    }

    bool createSocket(const ReceptionSettings& settings, QString* error)
    {
        if (settings.inheritedSocket >= 0)
            return socket_->Adopt(settings.inheritedSocket, error, settings.receiveBufferBytes);
        if (settings.listenAddress.isEmpty())
            return socket_->Create(settings.port, error, settings.address,
                                   settings.receiveBufferBytes);
        const std::optional<SocketAddress> local =
            SocketAddress::fromText(settings.listenAddress, settings.port, error);
        return local && socket_->Create(*local, error, settings.receiveBufferBytes);
    }

    void close()
    {
        tcp_->close();
        tls_->close();
        if (!socket_->isOpen())
            return;
        socket_->Close();
        useReplay(std::nullopt, nullptr);
        publish();
    }

    quint16 localPort() const { return socket_->localPort(); }
    quint16 tcpPort() const { return tcp_->localPort(); }
    quint16 tlsPort() const { return tls_->localPort(); }
    int descriptor() const { return socket_->descriptor(); }
    int receiveBufferBytes() const { return socket_->receiveBufferBytes(); }
    void reopenFiles() { files_->reopen(); }
    void setTlsConfiguration(const QSslConfiguration& c) { tls_->setTlsConfiguration(c); }

    void setHeartbeat(std::function<void()> beat, std::chrono::milliseconds interval)
    {
        if (!heartbeat_)
            heartbeat_ = new QTimer(this);
        heartbeat_->disconnect();
        heartbeat_->stop();
        if (!beat)
            return;
        connect(heartbeat_, &QTimer::timeout, this, std::move(beat));
        heartbeat_->start(interval);
    }

    void beforeDatagram() override
    {
        if (engine_.controlGeneration_.load(std::memory_order_acquire) != seenGeneration_)
            applyControl(nullptr);
        // One clock reading per drain: its datagrams arrived together.
        if (activityWanted && drainAt_ == 0)
            drainAt_ = QDateTime::currentMSecsSinceEpoch();
        if (observer)
            observer->beforeDatagram();
    }

    void entryStored(LogCategory category, const LogEntryView& entry) override
    {
        if (observer)
            observer->entryStored(category, entry);
        if (batchesWanted)
            batch_.rows[size_t(categoryIndex(category))].prepend(entry);
        if (activityWanted)
            batch_.activity.countEntry(drainAt_, category, entry);
    }

    void senderAdded(const QString& address) override
    {
        if (observer)
            observer->senderAdded(address);
        if (batchesWanted)
            batch_.newSenders.append(address);
    }

    void statusReported(const QString& sender, QByteArrayView text) override
    {
        if (observer)
            observer->statusReported(sender, text);
        if (activityWanted)
            batch_.activity.addReport(sender, readLinkReport(text, drainAt_));
    }

    void statusChanged(const WanStatus& status) override
    {
        if (observer)
            observer->statusChanged(status);
        if (batchesWanted)
            batch_.status = status.snapshot();
    }

    void overRate(const std::vector<OverRateReport>& reports) override
    {
        batch_.overRate.insert(batch_.overRate.end(), reports.begin(), reports.end());
    }

    void drainEnded() override
    {
        if (observer)
            observer->drainEnded();
        drainAt_ = 0;
        publish();
    }

private:
    void publish()
    {
        batch_.counters = socket_->counters();
        engine_.post(std::move(batch_));
    }

    void applyControl(QString* replayError)
    {
        ReceptionEngine::Control control;
        {
            QMutexLocker lock(&engine_.controlMutex_);
            control = std::exchange(engine_.control_, {});
            seenGeneration_ = engine_.controlGeneration_.load(std::memory_order_relaxed);
        }
        if (control.selectedHost)
            socket_->hosts().select(*control.selectedHost);
        if (control.folder)
            files_->setFolder(*control.folder);
        if (control.allow)
            socket_->setAllow(*control.allow);
        if (control.rateLimit)
            socket_->setRateLimit(*control.rateLimit);
        if (control.replay) {
            QString reason;
            if (!useReplay(*control.replay, &reason)) {
                if (replayError)
                    *replayError = reason;
                else
                    Q_EMIT engine_.replayFailed(reason);
            }
        }
    }

    bool useReplay(const std::optional<ReplayTarget>& target, QString* error)
    {
        socket_->setReplay(nullptr);
        replay_.Close();
        if (!target)
            return true;
        if (!replay_.Create(target->address, target->port, error))
            return false;
        socket_->setReplay(&replay_);
        return true;
    }

    ReceptionEngine& engine_;
    AutoLogFiles* files_;
    CReplaySocket replay_;
    CSysLogSocket* socket_;
    StreamListener* tcp_;
    StreamListener* tls_;
    ReceptionBatch batch_;
    quint64 seenGeneration_ = 0;
    qint64 drainAt_ = 0; // arrival time of the drain in hand
    QTimer* heartbeat_ = nullptr;
};

ReceptionEngine::ReceptionEngine(DatagramEcho* echo, QObject* parent, const Clock& clock)
    : QObject(parent), forwarder_(clock), worker_(new ReceptionWorker(*this, echo, clock))
{
    thread_.setObjectName(QStringLiteral("reception"));
    worker_->moveToThread(&thread_);
    // The worker and its sockets go with the thread, on the thread.
    connect(&thread_, &QThread::finished, worker_, &QObject::deleteLater);
    thread_.start();
    deliveryTimer_.setSingleShot(true);
    deliveryTimer_.setTimerType(Qt::PreciseTimer); // a coarse timer may end the interval early
    connect(&deliveryTimer_, &QTimer::timeout, this, &ReceptionEngine::deliverPending);
}

ReceptionEngine::~ReceptionEngine()
{
    stop();
    thread_.quit();
    thread_.wait();
}

bool ReceptionEngine::start(const ReceptionSettings& settings, QString* error, QString* replayError)
{
    stop();
    changeControl([&](Control& c) {
        c.selectedHost = settings.selectedHost;
        c.folder = settings.folder;
        c.replay = settings.replay;
        c.allow = settings.allow;
        c.rateLimit = settings.rateLimit;
    });
    bool opened = false;
    QMetaObject::invokeMethod(
        worker_,
        [&] {
            opened = worker_->open(settings, error, replayError);
            localPort_ = opened ? worker_->localPort() : 0;
            tcpPort_ = opened ? worker_->tcpPort() : 0;
            tlsPort_ = opened ? worker_->tlsPort() : 0;
            receiveBufferBytes_ = opened ? worker_->receiveBufferBytes() : 0;
            descriptor_ = opened ? worker_->descriptor() : -1;
        },
        Qt::BlockingQueuedConnection);
    if (!opened)
        return false;
    counters_ = {};
    forwarder_.apply(settings.forward);
    state_ = State::Running;
    Q_EMIT runningChanged(true);
    return true;
}

void ReceptionEngine::stop()
{
    if (state_ != State::Running)
        return;
    QMetaObject::invokeMethod(
        worker_, [this] { worker_->close(); }, Qt::BlockingQueuedConnection);
    state_ = State::Stopped;
    localPort_ = 0;
    tcpPort_ = 0;
    tlsPort_ = 0;
    descriptor_ = -1;
    deliverPending();
    forwarder_.stop(); // after reception: what was handed over reaches the queues
    Q_EMIT runningChanged(false);
}

template <typename Change> void ReceptionEngine::changeControl(Change change)
{
    QMutexLocker lock(&controlMutex_);
    change(control_);
    controlGeneration_.fetch_add(1, std::memory_order_release);
}

void ReceptionEngine::setSelectedHost(const std::optional<QString>& sender)
{
    changeControl([&](Control& c) { c.selectedHost = sender; });
}

void ReceptionEngine::setFolder(const QString& folder)
{
    changeControl([&](Control& c) { c.folder = folder; });
}

void ReceptionEngine::setReplay(const std::optional<ReplayTarget>& target)
{
    changeControl([&](Control& c) { c.replay = target; });
}

void ReceptionEngine::setForwarding(const ForwardSettings& settings)
{
    if (isRunning())
        forwarder_.apply(settings);
}

void ReceptionEngine::setAllow(const std::vector<AddressPrefix>& allow)
{
    changeControl([&](Control& c) { c.allow = allow; });
}

void ReceptionEngine::setRateLimit(int entriesPerSecond)
{
    changeControl([&](Control& c) { c.rateLimit = entriesPerSecond; });
}

IntakeCounters ReceptionEngine::counters() const
{
    IntakeCounters c = counters_;
    // The socket stays open while running (stop() closes it from this thread), so its drop
    // count can be read here. The kernel's count starts at zero with the socket, so its low 32
    // bits are those of the total; the difference survives a wrap.
    if (state_ == State::Running) {
        if (const std::optional<quint32> now = kernelDropCount(descriptor_))
            c.kernelDrops += quint32(*now - quint32(c.kernelDrops));
    }
    return c;
}

bool ReceptionEngine::setTlsFiles(const QString& certificate, const QString& key,
                                  const QString& clientCa, QString* error)
{
    const auto configuration = readTlsServerConfiguration(certificate, key, clientCa, error);
    if (!configuration)
        return false;
    QMetaObject::invokeMethod(
        worker_, [this, c = *configuration] { worker_->setTlsConfiguration(c); },
        Qt::QueuedConnection);
    return true;
}

void ReceptionEngine::reopenFiles()
{
    QMetaObject::invokeMethod(
        worker_, [this] { worker_->reopenFiles(); }, Qt::QueuedConnection);
}

void ReceptionEngine::setHeartbeat(std::function<void()> beat, std::chrono::milliseconds interval)
{
    QMetaObject::invokeMethod(
        worker_, [&] { worker_->setHeartbeat(std::move(beat), interval); },
        Qt::BlockingQueuedConnection);
}

void ReceptionEngine::setObserver(IntakeSink* observer)
{
    Q_ASSERT(!isRunning());
    worker_->observer = observer;
}

void ReceptionEngine::setBatchesWanted(bool wanted)
{
    Q_ASSERT(!isRunning());
    worker_->batchesWanted = wanted;
}

void ReceptionEngine::setActivityWanted(bool wanted)
{
    Q_ASSERT(!isRunning());
    worker_->activityWanted = wanted;
}

void ReceptionEngine::post(ReceptionBatch&& batch)
{
    bool postNow = false;
    {
        QMutexLocker lock(&outboxMutex_);
        outbox_.append(std::move(batch));
        outboxFilled_ = true;
        postNow = !deliveryPosted_;
        deliveryPosted_ = true;
    }
    // One delivery in flight at a time: while this thread is busy, batches grow instead of
    // queueing up.
    if (postNow)
        QMetaObject::invokeMethod(this, &ReceptionEngine::scheduleDelivery, Qt::QueuedConnection);
}

void ReceptionEngine::scheduleDelivery()
{
    const qint64 since = sinceDelivery_.isValid() ? sinceDelivery_.elapsed() : kDeliveryIntervalMs;
    if (since >= kDeliveryIntervalMs)
        deliverPending();
    else if (!deliveryTimer_.isActive())
        deliveryTimer_.start(int(kDeliveryIntervalMs - since));
}

void ReceptionEngine::deliverPending()
{
    deliveryTimer_.stop();
    sinceDelivery_.start();
    ReceptionBatch batch;
    {
        QMutexLocker lock(&outboxMutex_);
        deliveryPosted_ = false;
        if (!outboxFilled_)
            return; // delivered already, by stop()
        batch.append(std::move(outbox_));
        outboxFilled_ = false;
    }
    counters_ = batch.counters;
    for (const OverRateReport& report : batch.overRate)
        Q_EMIT overRateReported(report);
    if (batch.hasContent())
        Q_EMIT batchArrived(&batch);
    Q_EMIT countersUpdated();
}

} // namespace quendal
