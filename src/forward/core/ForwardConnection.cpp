#include "forward/core/ForwardConnection.h"

#include "forward/core/KernelSendQueue.h"
#include "transport/core/OctetCounting.h"
#include "transport/core/TlsFiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSslSocket>
#include <QTcpSocket>
#include <QThread>
#include <QUdpSocket>

namespace quendal {
namespace {

using namespace Qt::StringLiterals;

// Qt's own write buffer is kept short: what sits there is not yet the system's to acknowledge.
constexpr qint64 kMaxBuffered = 256 * 1024;
constexpr std::chrono::milliseconds kAckPoll{20};
constexpr std::chrono::seconds kConnectTimeout{30};
// At stop, how long the collector has to acknowledge what is in flight.
constexpr qint64 kStopGraceMs = 1000;

} // namespace

ForwardConnection::ForwardConnection(ForwardTarget target, const ForwardSettings& settings,
                                     const Clock& clock, QObject* parent)
    : QObject(parent), target_(std::move(target)),
      queueFolder_(QDir(settings.queueFolder).filePath(queueFolderName(target_.name))),
      clock_(clock)
{
    queueOptions_.maxBytes = target_.queueMaxBytes;
    queueOptions_.sync = settings.sync;
    retryTimer_.setSingleShot(true);
    connect(&retryTimer_, &QTimer::timeout, this, &ForwardConnection::connectNow);
    connectTimeout_.setSingleShot(true);
    connect(&connectTimeout_, &QTimer::timeout, this,
            [this] { onFailure(u"no answer within 30 seconds"_s); });
    connect(&ackPoll_, &QTimer::timeout, this, &ForwardConnection::checkAcknowledged);
    // The queue flushes by its policy at the end of each batch, and now and then when idle.
    connect(&syncTimer_, &QTimer::timeout, this, &ForwardConnection::endBatch);
}

ForwardConnection::~ForwardConnection()
{
    stop();
}

bool ForwardConnection::start()
{
    QString error;
    // The folder of the queues; the queue makes its own folder in it.
    QDir().mkpath(QFileInfo(queueFolder_).path());
    queue_ = DiskQueue::open(queueFolder_, queueOptions_, clock_, &error);
    if (!queue_) {
        state_ = ForwardState::QueueUnusable;
        report(state_, u"cannot keep a queue for "_s + target_.name + u" in "_s + queueFolder_ +
                           u": "_s + error + u" (its entries are counted as dropped)"_s);
        return false;
    }
    carriedOver_ = queue_->counters().entries;
    syncTimer_.start(queueOptions_.syncInterval);
    connectNow();
    return true;
}

void ForwardConnection::append(QByteArrayView received, const QString& sender, qint64 arrivalMs)
{
    ++accepted_;
    if (!queue_) {
        ++notQueued_;
        return;
    }
    const quint64 droppedBefore = queue_->counters().droppedFull;
    const QByteArray message =
        forwardedMessage(target_.format, received, sender, arrivalTimestamps_.at(arrivalMs));
    if (!queue_->append(message)) {
        ++notQueued_;
        report(ForwardState::QueueUnusable, u"cannot write the queue of "_s + target_.name +
                                                u": "_s + queue_->lastError() +
                                                u" (entries counted as dropped)"_s);
        return;
    }
    if (reported_ == ForwardState::QueueUnusable && connected_)
        report(ForwardState::Connected, {});
    // The oldest records may have left to make room, some of them in flight: the queue counts
    // those as dropped when they are acknowledged.
    if (const quint64 dropped = queue_->counters().droppedFull - droppedBefore; dropped > 0) {
        if (!fullReported_) {
            fullReported_ = true;
            Q_EMIT problem(QStringLiteral("the queue of %1 is full (%2 MiB): its oldest entries "
                                          "are dropped, counted")
                               .arg(target_.name)
                               .arg(queueOptions_.maxBytes / (1024 * 1024)));
        }
    }
    pump();
}

void ForwardConnection::endBatch()
{
    if (queue_)
        queue_->batchDone();
}

void ForwardConnection::countDropped(quint64 messages)
{
    accepted_ += messages;
    notQueued_ += messages;
}

void ForwardConnection::retryNow()
{
    if (retryTimer_.isActive()) {
        retryTimer_.stop();
        connectNow();
    }
}

void ForwardConnection::connectNow()
{
    if (stopping_ || !queue_)
        return;
    resetConnection();
    state_ = ForwardState::Connecting;
    certificateProblem_.clear();
    switch (target_.url.scheme) {
    case ForwardScheme::Udp: {
        auto* udp = new QUdpSocket(this);
        socket_ = udp;
        break;
    }
    case ForwardScheme::Tcp:
        socket_ = new QTcpSocket(this);
        connect(socket_, &QAbstractSocket::bytesWritten, this, [this](qint64 bytes) {
            toSystem_ += bytes;
            checkAcknowledged();
        });
        break;
    case ForwardScheme::Tls: {
        auto* tls = new QSslSocket(this);
        socket_ = tls;
        QString error;
        std::optional<TlsIdentity> identity;
        if (!target_.certFile.isEmpty()) {
            identity = readTlsIdentity(target_.certFile, target_.keyFile, &error);
            if (!identity) {
                onFailure(error);
                return;
            }
        }
        QSslConfiguration configuration = strictTlsConfiguration(identity);
        if (!target_.caFile.isEmpty()) {
            const auto authorities = readCaCertificates(target_.caFile, &error);
            if (!authorities) {
                onFailure(error);
                return;
            }
            configuration.setCaCertificates(*authorities);
        } else {
            configuration.setCaCertificates(QSslConfiguration::systemCaCertificates());
        }
        tls->setSslConfiguration(configuration);
        connect(tls, &QSslSocket::encryptedBytesWritten, this, [this](qint64 bytes) {
            toSystem_ += bytes;
            checkAcknowledged();
        });
        connect(tls, &QSslSocket::sslErrors, this, [this](const QList<QSslError>& errors) {
            QStringList reasons;
            for (const QSslError& e : errors)
                reasons << e.errorString();
            certificateProblem_ = reasons.join(u"; "_s);
        });
        connect(tls, &QSslSocket::encrypted, this, &ForwardConnection::onConnected);
        break;
    }
    }
    connect(socket_, &QAbstractSocket::errorOccurred, this,
            [this](QAbstractSocket::SocketError) { onFailure(socket_->errorString()); });
    // The collector has nothing to say; what it sends anyway is read and dropped.
    connect(socket_, &QIODevice::readyRead, this, [this] { socket_->readAll(); });
    if (target_.url.scheme == ForwardScheme::Tls) {
        // The name checked against the certificate is the URL's host.
        static_cast<QSslSocket*>(socket_)->connectToHostEncrypted(target_.url.host,
                                                                  target_.url.port);
    } else {
        connect(socket_, &QAbstractSocket::connected, this, &ForwardConnection::onConnected);
        socket_->connectToHost(target_.url.host, target_.url.port);
    }
    if (socket_)
        connectTimeout_.start(kConnectTimeout);
}

void ForwardConnection::onConnected()
{
    connectTimeout_.stop();
    connected_ = true;
    state_ = ForwardState::Connected;
    backoff_.reset();
    report(ForwardState::Connected, {});
    pump();
}

void ForwardConnection::onFailure(const QString& reason)
{
    if (!socket_ || stopping_)
        return;
    // What the collector acknowledged before the end leaves the queue: fewer sent twice.
    checkAcknowledged();
    const bool wasConnected = connected_;
    if (!wasConnected)
        ++failedAttempts_;
    if (!certificateProblem_.isEmpty()) {
        state_ = ForwardState::CertificateRefused;
        report(state_, u"the certificate of "_s + target_.url.host + u" is not trusted: "_s +
                           certificateProblem_ + u" (nothing sent; retrying)"_s);
    } else {
        state_ = ForwardState::Waiting;
        report(state_,
               (wasConnected ? u"lost the connection to "_s : u"cannot connect to "_s) +
                   target_.name +
                   (target_.name == target_.url.text() ? QString()
                                                       : u" ("_s + target_.url.text() + u')') +
                   u": "_s + reason + u" (entries stay queued; retrying)"_s);
    }
    // The socket may be in the middle of emitting: it goes once control is back in the loop.
    resetConnection();
    state_ =
        certificateProblem_.isEmpty() ? ForwardState::Waiting : ForwardState::CertificateRefused;
    retryTimer_.start(std::chrono::milliseconds(backoff_.nextDelayMs()));
}

void ForwardConnection::resetConnection()
{
    connectTimeout_.stop();
    ackPoll_.stop();
    if (socket_) {
        socket_->disconnect(this);
        socket_->abort();
        socket_->deleteLater();
        socket_ = nullptr;
    }
    connected_ = false;
    written_ = 0;
    toSystem_ = 0;
    fences_.clear();
    unfenced_ = 0;
    // Whatever was written and not acknowledged goes again on the next connection.
    if (queue_)
        queue_->rewind();
}

quint64 ForwardConnection::inFlight() const
{
    quint64 records = unfenced_;
    for (const Fence& f : fences_)
        records += f.records;
    return records;
}

void ForwardConnection::pump()
{
    if (!connected_ || !socket_ || stopping_)
        return;
    const bool udp = target_.url.scheme == ForwardScheme::Udp;
    quint64 flying = inFlight();
    while (flying < quint64(kMaxInFlight) && socket_->bytesToWrite() < kMaxBuffered) {
        std::optional<QByteArray> record = queue_->nextToSend();
        if (!record)
            break;
        if (udp) {
            // A datagram is the system's once it is taken: there is nothing more to wait for.
            if (socket_->write(*record) != record->size()) {
                onFailure(socket_->errorString());
                return;
            }
            ++sent_;
            queue_->acknowledge(1);
            continue;
        }
        frame_.truncate(0);
        appendOctetCounted(frame_, *record);
        socket_->write(frame_);
        written_ += frame_.size();
        ++sent_;
        ++flying;
        if (target_.url.scheme == ForwardScheme::Tcp)
            fences_.push_back({written_, 1}); // plain TCP: the bytes on the wire are these
        else
            ++unfenced_;
    }
    if (flying > 0 && !ackPoll_.isActive())
        ackPoll_.start(kAckPoll);
}

void ForwardConnection::checkAcknowledged()
{
    if (!socket_ || !connected_)
        return;
    if (unfenced_ > 0) {
        // TLS adds bytes of its own, so a record's end on the wire is known only when Qt's
        // buffers are empty: then everything written so far ends within what the system took.
        // The records may be acknowledged a little late, never early.
        auto* tls = static_cast<QSslSocket*>(socket_);
        if (tls->bytesToWrite() == 0 && tls->encryptedBytesToWrite() == 0) {
            fences_.push_back({toSystem_, unfenced_});
            unfenced_ = 0;
        }
    }
    if (fences_.empty()) {
        if (unfenced_ == 0)
            ackPoll_.stop();
        return;
    }
    const std::optional<qint64> pending = unacknowledgedBytes(socket_->socketDescriptor());
    if (!pending)
        return;
    const qint64 acknowledged = toSystem_ - *pending;
    quint64 records = 0;
    while (!fences_.empty() && fences_.front().end <= acknowledged) {
        records += fences_.front().records;
        fences_.pop_front();
    }
    if (records == 0)
        return;
    queue_->acknowledge(records);
    queue_->batchDone();
    if (fullReported_ && queue_->counters().entries == 0) {
        fullReported_ = false;
        Q_EMIT recovered(u"the queue of "_s + target_.name + u" has room again"_s);
    }
    pump();
}

void ForwardConnection::stop()
{
    if (stopping_)
        return;
    retryTimer_.stop();
    syncTimer_.stop();
    if (socket_ && connected_) {
        QElapsedTimer waited;
        waited.start();
        socket_->flush();
        while ((!fences_.empty() || unfenced_ > 0) && waited.elapsed() < kStopGraceMs) {
            socket_->waitForBytesWritten(20);
            checkAcknowledged();
            if (!fences_.empty() || unfenced_ > 0)
                QThread::msleep(5);
        }
    }
    stopping_ = true;
    if (socket_) {
        socket_->disconnect(this);
        if (connected_) {
            // A TLS collector is told the end (close_notify) rather than left with a cut stream.
            socket_->disconnectFromHost();
            if (socket_->state() != QAbstractSocket::UnconnectedState)
                socket_->waitForDisconnected(200);
        }
        socket_->abort();
        delete socket_;
        socket_ = nullptr;
    }
    connected_ = false;
    if (queue_)
        queue_->sync();
}

ForwardTargetStatus ForwardConnection::status() const
{
    ForwardTargetStatus s;
    s.name = target_.name;
    s.url = target_.url.text();
    s.state = state_;
    s.accepted = accepted_;
    s.carriedOver = carriedOver_;
    s.sent = sent_;
    s.failedAttempts = failedAttempts_;
    s.dropped = notQueued_;
    if (queue_) {
        const DiskQueueCounters& c = queue_->counters();
        s.queuedEntries = c.entries;
        s.queuedBytes = c.bytes;
        s.acknowledged = c.acknowledged;
        s.dropped += c.droppedFull;
        s.tornSkipped = c.tornSkipped;
    }
    return s;
}

void ForwardConnection::report(ForwardState kind, const QString& text)
{
    if (kind == ForwardState::Connected) {
        if (reported_)
            Q_EMIT recovered(u"forwarding to "_s + target_.name + u" works again"_s);
        reported_.reset();
        return;
    }
    if (reported_ == kind)
        return;
    reported_ = kind;
    Q_EMIT problem(text);
}

} // namespace quendal
