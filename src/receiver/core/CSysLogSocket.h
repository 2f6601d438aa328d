#pragma once

#include "common/core/Clock.h"
#include "common/core/UdpSocket.h"
#include "receiver/core/DatagramReader.h"
#include "receiver/core/IntakeStep.h"

#include <QByteArrayView>
#include <QObject>
#include <QString>

#include <memory>

class QSocketNotifier;
class QTimer;

namespace quendal {

class CReplaySocket;

// The receiving socket of UDP. Each time it is readable it reads the datagrams waiting (up to a
// cap, in arrival order) and hands each to the intake step, exactly as if it had come alone.
class CSysLogSocket : public QObject
{
    Q_OBJECT

public:
    // The receive buffer asked for: bursts of several thousand datagrams wait in the kernel
    // while the thread is busy. Unprivileged processes get the system's limit instead.
    static constexpr int kReceiveBufferBytes = 8 * 1024 * 1024;
    // The most datagrams taken in at one readiness, so that Stop is never kept waiting long.
    static constexpr int kDrainLimit = DatagramReader::kSlots;
    // After a drain that emptied the socket, reading rests this long: under a steady stream the
    // next drain then takes many datagrams with one set of system calls instead of a few. The
    // receive buffer holds thousands of datagrams, far more than arrive meanwhile.
    static constexpr int kRestAfterDrainMs = 2;

    // Everything taken in goes to `sink`, which must outlive the socket. Rates are measured on
    // `clock`.
    explicit CSysLogSocket(IntakeSink& sink, const IntakeOutputs& outputs = {},
                           QObject* parent = nullptr, const Clock& clock = Clock::system());
    ~CSysLogSocket() override;

    // Binds `port` on all interfaces, IPv6 and IPv4 alike where the system has IPv6 (or on the
    // IPv4 `address`, network order) and starts taking in datagrams. false, with the reason in
    // `error`, when the port cannot be bound.
    bool Create(quint16 port, QString* error = nullptr, quint32 address = INADDR_ANY,
                int receiveBufferBytes = kReceiveBufferBytes);
    // The same on one address of either family (its port included).
    bool Create(const SocketAddress& local, QString* error = nullptr,
                int receiveBufferBytes = kReceiveBufferBytes);
    // Closes the socket; the counters keep what it took in, its kernel drops included.
    // The same on a datagram socket bound elsewhere (socket activation), which it takes over.
    bool Adopt(int descriptor, QString* error = nullptr,
               int receiveBufferBytes = kReceiveBufferBytes);
    void Close();
    bool isOpen() const { return socket_.isOpen(); }
    int descriptor() const { return socket_.descriptor(); }
    quint16 localPort() const { return socket_.localPort(); }
    int receiveBufferBytes() const { return receiveBufferBytes_; }

    // Forwards every accepted datagram through `replay` while it is set; null switches Replay
    // off. Datagrams that the Replay socket itself sent here are dropped, so a Replay target
    // that is this receiver cannot loop.
    void setReplay(CReplaySocket* replay) { step_.setReplay(replay); }
    void setAllow(const std::vector<AddressPrefix>& allow) { step_.setAllow(allow); }
    void setRateLimit(int entriesPerSecond) { step_.setRateLimit(entriesPerSecond); }

    // The sender filter: set it between datagrams, from the socket's thread.
    HostFilter& hosts() { return step_.hosts(); }

    const IntakeCounters& counters() const { return step_.counters(); }
    // The intake, which the listeners of TCP and TLS on this thread share.
    IntakeStep& step() { return step_; }

    // Takes in the datagrams waiting, up to kDrainLimit.
    void OnReceive();
    // Takes in a datagram that was read elsewhere, as if it had come from `from` (benchmarks
    // measure the intake without the system call this way). The bytes must stay valid until
    // the call returns.
    IntakeOutcome takeIn(QByteArrayView datagram, const SocketAddress& from);
    IntakeOutcome takeIn(QByteArrayView datagram, const sockaddr_in& from);
    // Ends a series of takeIn() as a drain ends: counts what reached the files, reports senders
    // over their rate.
    void endDrain() { step_.endDrain(); }

private:
    bool startReading(bool opened, int receiveBufferBytes);
    // The kernel's drop count as it stands now.
    void readKernelDrops();

    IntakeSink& sink_;
    IntakeOutputs outputs_;
    IntakeStep step_;
    UdpSocket socket_;
    DatagramReader reader_;
    std::unique_ptr<QSocketNotifier> notifier_;
    QTimer* rest_ = nullptr; // ends the rest after a drain
    int receiveBufferBytes_ = 0;
};

} // namespace quendal
