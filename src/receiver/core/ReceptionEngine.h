#pragma once

#include "common/core/AddressPrefix.h"
#include "forward/core/Forwarder.h"
#include "receiver/core/CSysLogSocket.h"
#include "receiver/core/ReceptionBatch.h"
#include "receiver/core/StreamListener.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>

namespace quendal {

class DatagramEcho;
class ReceptionWorker;

// Where Replay forwards to.
struct ReplayTarget
{
    QString address; // IPv4 or IPv6, as normalizedHostAddress() gives it
    quint16 port = 514;
};

// What reception starts with.
struct ReceptionSettings
{
    quint16 port = 514;
    // The IPv4 address to receive on, network order; INADDR_ANY: every interface, IPv6 and IPv4
    // alike where the system has IPv6.
    quint32 address = INADDR_ANY;
    // One address of either family to receive on instead ("::1", "127.0.0.1"); empty: `address`.
    QString listenAddress;
    // A datagram socket bound already (handed over by systemd) to receive on instead of binding
    // anything; reception takes it over. -1: none.
    int inheritedSocket = -1;
    QString folder; // of the automatic log files
    std::optional<ReplayTarget> replay;
    std::optional<QString> selectedHost; // the one sender accepted; nullopt: every sender
    int receiveBufferBytes = CSysLogSocket::kReceiveBufferBytes;
    // Who may send: other senders are counted and dropped before anything else. Empty: all.
    std::vector<AddressPrefix> allow;
    // Entries per second kept per sender (with a burst of a few seconds' worth); 0: no limit.
    int rateLimit = 0;
    // The most senders the host list keeps; later ones are received but not listed.
    int maxSenders = HostFilter::kDefaultCapacity;
    // The collectors every accepted message is forwarded to; none: nothing is.
    ForwardSettings forward;

    // Syslog over TCP and over TLS on these ports (0: any free one), on the same addresses as
    // UDP; nullopt: not at all.
    std::optional<quint16> tcpPort;
    std::optional<quint16> tlsPort;
    // What the TLS listener presents, and the authorities its clients' certificates must come
    // from (empty: clients present none).
    QString tlsCertificate;
    QString tlsKey;
    QString tlsClientCa;
    // Stream sockets listening already (handed over by systemd), taken over instead; -1: none.
    int inheritedTcpSocket = -1;
    int inheritedTlsSocket = -1;
    StreamLimits streamLimits;
};

// Reception as one object: the receiving socket, the sender filter, Replay, decoding, the status
// values and the automatic files all run on a thread of their own, so nothing the window does
// can keep a datagram waiting. What was taken in reaches this object's thread as batches
// (batchArrived), in the order it came; Start, Stop and every setting take effect between two
// datagrams, never inside one.
class ReceptionEngine : public QObject
{
    Q_OBJECT

public:
    enum class State
    {
        Stopped,
        Running
    };

    // `echo`, when given, shows every datagram; it is used on the receiver thread. Rate limits
    // are measured on `clock`.
    explicit ReceptionEngine(DatagramEcho* echo = nullptr, QObject* parent = nullptr,
                             const Clock& clock = Clock::system());
    ~ReceptionEngine() override;

    // Binds the port and starts taking in datagrams. false, with the reason in `error`, when the
    // port cannot be bound. A Replay target that cannot be used leaves reception running without
    // Replay and says why in `replayError`.
    bool start(const ReceptionSettings& settings, QString* error = nullptr,
               QString* replayError = nullptr);
    // Closes the socket after the datagram in hand; what was taken in until then is delivered
    // before this returns.
    void stop();

    State state() const { return state_; }
    bool isRunning() const { return state_ == State::Running; }
    quint16 localPort() const { return localPort_; }
    // The ports TCP and TLS listen on; 0 when they do not.
    quint16 tcpPort() const { return tcpPort_; }
    quint16 tlsPort() const { return tlsPort_; }
    int receiveBufferBytes() const { return receiveBufferBytes_; }
    // The counters as of the last batch delivered, with the kernel's drops as they stand now.
    IntakeCounters counters() const;

    // Settings that may change while running; each takes effect before the next datagram.
    void setSelectedHost(const std::optional<QString>& sender);
    void setFolder(const QString& folder);
    void setReplay(const std::optional<ReplayTarget>& target);
    void setAllow(const std::vector<AddressPrefix>& allow);
    void setRateLimit(int entriesPerSecond);
    // What the TLS listener presents and asks of its clients, read from these files again; the
    // connections from now on get it. false, with the reason, when they cannot be used.
    bool setTlsFiles(const QString& certificate, const QString& key, const QString& clientCa,
                     QString* error = nullptr);
    // The automatic files are opened afresh (after logrotate, on SIGHUP).
    void reopenFiles();

    // Calls `beat` every `interval` on the receiver thread, from that thread's own event loop:
    // a receiver thread that is stuck stops calling it (for a service manager's watchdog).
    void setHeartbeat(std::function<void()> beat, std::chrono::milliseconds interval);

    // Called on the receiver thread for every datagram's results, in order, before they are
    // batched: for output that must keep step with the console echo. Set while stopped.
    void setObserver(IntakeSink* observer);
    // Whether batches carry entries, senders and status values, or counters only (for a
    // receiver without a window). On by default; set while stopped.
    void setBatchesWanted(bool wanted);
    // Whether batches carry the activity charts' counts (entries per minute, link reports),
    // whatever setBatchesWanted says. On by default; set while stopped.
    void setActivityWanted(bool wanted);

    // Forwarding to collectors, started and stopped with reception; setForwarding applies new
    // targets while running (the same ones again retry at once).
    void setForwarding(const ForwardSettings& settings);
    Forwarder& forwarder() { return forwarder_; }

    // Delivers what the receiver thread has taken in so far, at once.
    void deliverPending();

    // Under a stream of datagrams batches reach this thread at most this often, each holding
    // everything taken in since the last: lists and counters then change once per interval
    // instead of once per drain. After a quiet interval the next batch comes at once.
    static constexpr int kDeliveryIntervalMs = 50;

Q_SIGNALS:
    void runningChanged(bool running);
    // Entries taken in, on this object's thread. Receivers may take the rows out of the batch.
    void batchArrived(quendal::ReceptionBatch* batch);
    // counters() moved on.
    void countersUpdated();
    void fileWriteFailed(quendal::LogCategory category, const QString& path, const QString& reason);
    void fileWriteRecovered(quendal::LogCategory category, const QString& path);
    // A Replay target set while running cannot be used.
    void replayFailed(const QString& reason);
    // Sends to the Replay target started failing (once, with the reason), and work again.
    void forwardingFailed(const QString& reason);
    void forwardingRecovered();
    // Senders went over their rate limits (see overRateText()); at most once per interval.
    void overRateReported(const quendal::OverRateReport& report);
    // A TCP or TLS connection was closed for a frame that could not be read; at most once per
    // peer and interval.
    void badFrameReported(const QString& peer, const QString& reason);

private:
    friend class ReceptionWorker;

    // Settings handed to the receiver thread, applied before its next datagram.
    struct Control
    {
        std::optional<std::optional<QString>> selectedHost;
        std::optional<QString> folder;
        std::optional<std::optional<ReplayTarget>> replay;
        std::optional<std::vector<AddressPrefix>> allow;
        std::optional<int> rateLimit;
    };
    template <typename Change> void changeControl(Change change);

    // Called by the receiver thread at the end of a drain.
    void post(ReceptionBatch&& batch);
    // On this object's thread: delivers now, or when the interval since the last delivery ends.
    void scheduleDelivery();

    Forwarder forwarder_; // before the worker, which hands it messages
    QThread thread_;
    ReceptionWorker* worker_;
    State state_ = State::Stopped;
    quint16 localPort_ = 0;
    quint16 tcpPort_ = 0;
    quint16 tlsPort_ = 0;
    int receiveBufferBytes_ = 0;
    int descriptor_ = -1; // of the receiving socket while running, for its drop count
    IntakeCounters counters_;

    QMutex controlMutex_;
    Control control_;
    std::atomic<quint64> controlGeneration_{0};

    QMutex outboxMutex_;
    ReceptionBatch outbox_;
    bool outboxFilled_ = false;
    bool deliveryPosted_ = false;
    QTimer deliveryTimer_;
    QElapsedTimer sinceDelivery_;
};

} // namespace quendal
