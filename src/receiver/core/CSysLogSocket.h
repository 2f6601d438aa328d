#pragma once

#include "common/core/UdpSocket.h"
#include "logs/core/EntrySplitter.h"
#include "logs/core/LogCategory.h"
#include "logs/core/LogEntry.h"
#include "receiver/core/DatagramReader.h"
#include "receiver/core/HostFilter.h"
#include "receiver/core/WanStatus.h"

#include <QByteArrayView>
#include <QObject>
#include <QString>

#include <memory>
#include <vector>

class QSocketNotifier;
class QTimer;

namespace quendal {

class AutoLogFiles;
class DatagramEcho;
class CReplaySocket;

// What an intake hands on, on the thread the intake runs on, in the order the datagrams came.
class IntakeSink
{
public:
    virtual ~IntakeSink() = default;
    // Before each datagram: settings changed meanwhile take effect here, never inside one.
    virtual void beforeDatagram() {}
    // A stored entry. The views point into the datagram in hand: copy what must outlive the call.
    virtual void entryStored(LogCategory category, const LogEntryView& entry) = 0;
    // A sender seen for the first time since Start.
    virtual void senderAdded(const QString& address) { Q_UNUSED(address); }
    // A status message (facility 21) of an accepted sender, whatever the panels make of it.
    virtual void statusReported(const QString& sender, QByteArrayView text)
    {
        Q_UNUSED(sender);
        Q_UNUSED(text);
    }
    // The status panels' values changed.
    virtual void statusChanged(const WanStatus& status) { Q_UNUSED(status); }
    // The datagrams waiting at one readiness have all been taken in.
    virtual void drainEnded() {}
};

// Where an intake writes besides its sink. Both may be left out: without files nothing is
// written, without an echo nothing is shown.
struct IntakeOutputs
{
    AutoLogFiles* files = nullptr;
    DatagramEcho* echo = nullptr;
};

// The datagram in hand, as the intake left it.
struct CurrentDatagram
{
    // What is kept of a datagram for its texts; Replay forwards the whole datagram.
    static constexpr int kTextSize = 1500;

    int Facility = 0;
    const char* Text = nullptr; // the datagram as received
    qsizetype WholeSize = 0;    // bytes received
    qsizetype ByteCount = 0;    // bytes kept: at most kTextSize, zeros included
    qsizetype TextLength = 0;   // kept bytes before the first zero
    int HeaderEnd = 0;
    quint32 SourcePort = 0;
    QString SourceAddress;
    int Severity = 0;
    int Priority = 0;

    // The datagram's text: its kept bytes up to the first zero byte.
    QByteArrayView text() const { return QByteArrayView(Text, TextLength); }
    // Every kept byte; the priority prefix is looked for here, zero bytes and all.
    QByteArrayView bytes() const { return QByteArrayView(Text, ByteCount); }
    // The whole datagram, for Replay.
    QByteArrayView whole() const { return QByteArrayView(Text, WholeSize); }
};

// What the intake has done since the socket was created.
struct IntakeCounters
{
    quint64 read = 0;          // datagrams read
    quint64 filtered = 0;      // dropped by the sender filter
    quint64 malformed = 0;     // dropped for want of a priority prefix
    quint64 ownForwards = 0;   // our own forwards coming back, dropped
    quint64 forwarded = 0;     // sent on to the Replay host
    quint64 forwardFailed = 0; // refused by the system on the way to the Replay host
    quint64 stored = 0;        // listed and written to a category
    quint64 written = 0;       // of those, in their log file (as of the last drain)
    quint64 statusReports = 0; // WAN status messages
    quint64 ignored = 0;       // other facilities
    quint64 cut = 0;           // longer than what is kept for the texts
    quint64 kernelDrops = 0;   // dropped by the system before they could be read
    quint64 notWritten = 0;    // stored but could not be written to their file
};

// The receiving socket. Each time it is readable it takes in the datagrams waiting (up to a
// cap, in arrival order), each exactly as if it had come alone: echo to the console, the sender
// filter, the priority prefix, Replay, decoding, and the dispatch of facilities 16 to 20 to
// their category and 21 to the WAN status. Runs on one thread; nothing in it is locked.
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

    // Everything taken in goes to `sink`, which must outlive the socket.
    explicit CSysLogSocket(IntakeSink& sink, const IntakeOutputs& outputs = {},
                           QObject* parent = nullptr);
    ~CSysLogSocket() override;

    // Binds `port` on all interfaces, IPv6 and IPv4 alike where the system has IPv6 (or on the
    // IPv4 `address`, network order) and starts taking in datagrams. false, with the reason in
    // `error`, when the port cannot be bound.
    bool Create(quint16 port, QString* error = nullptr, quint32 address = INADDR_ANY,
                int receiveBufferBytes = kReceiveBufferBytes);
    // The same on one address of either family (its port included).
    bool Create(const SocketAddress& local, QString* error = nullptr,
                int receiveBufferBytes = kReceiveBufferBytes);
    // The same on a datagram socket bound elsewhere (socket activation), which it takes over.
    bool Adopt(int descriptor, QString* error = nullptr,
               int receiveBufferBytes = kReceiveBufferBytes);
    void Close();
    bool isOpen() const { return socket_.isOpen(); }
    quint16 localPort() const { return socket_.localPort(); }
    int receiveBufferBytes() const { return receiveBufferBytes_; }

    // Forwards every accepted datagram through `replay` while it is set; null switches Replay
    // off. Datagrams that the Replay socket itself sent here are dropped, so a Replay target
    // that is this receiver cannot loop.
    void setReplay(CReplaySocket* replay);

    // The sender filter: set it between datagrams, from the socket's thread.
    HostFilter& hosts() { return hosts_; }

    const CurrentDatagram& datagram() const { return current_; }
    const IntakeCounters& counters() const { return counters_; }

    // Takes in the datagrams waiting, up to kDrainLimit.
    void OnReceive();
    // Takes in a datagram that was read elsewhere, as if it had come from `from` (benchmarks
    // measure the intake without the system call this way). The bytes must stay valid until
    // the call returns.
    void takeIn(QByteArrayView datagram, const SocketAddress& from);
    void takeIn(QByteArrayView datagram, const sockaddr_in& from);
    // Files the datagram in hand under a category: Time, Host and Message to the sink and
    // appended to the category's file. Returns 1 when stored (dispatch ignores it).
    int StoreEntry(LogCategory category);
    // Updates the status values from the datagram in hand, or resets them while every sender
    // is accepted.
    void ShowWanStatus();

private:
    bool startReading(bool opened, int receiveBufferBytes);
    void intake(const char* data, qsizetype size, const SocketAddress& from);
    bool acceptedByHostFilter();
    bool isOwnForward(const SocketAddress& from) const;
    void dispatch();

    IntakeSink& sink_;
    IntakeOutputs outputs_;
    HostFilter hosts_;
    WanStatus wan_;
    UdpSocket socket_;
    DatagramReader reader_;
    std::unique_ptr<QSocketNotifier> notifier_;
    QTimer* rest_ = nullptr; // ends the rest after a drain
    int receiveBufferBytes_ = 0;
    CReplaySocket* replay_ = nullptr;
    std::vector<SocketAddress> ownAddresses_; // where forwards may leave from
    CurrentDatagram current_;
    EntrySplitter splitter_;   // cuts each stored datagram by the form of its header
    SocketAddress lastSource_; // to reuse SourceAddress for a repeated sender
    IntakeCounters counters_;
    quint64 handedToFiles_ = 0;     // entries appended to the files since Create
    quint64 notWrittenAtStart_ = 0; // the files' own count of failures at Create
};

} // namespace quendal
