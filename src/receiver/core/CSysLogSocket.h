#pragma once

#include "logs/core/LogCategory.h"
#include "logs/core/LogEntry.h"
#include "receiver/core/UdpSocket.h"

#include <QByteArrayView>
#include <QObject>
#include <QSet>
#include <QString>

#include <array>
#include <memory>

class QSocketNotifier;

namespace quendal {

class AutoLogFiles;
class CDebugConsole;
class CReplaySocket;
class HostList;
class LogList;
class WanStatus;

// Where an intake puts what it takes in. Only the host list is required: a missing category
// list keeps no rows (the headless receiver prints entries instead), missing files are not
// written, a missing console prints nothing.
struct IntakeTargets
{
    HostList* hosts = nullptr;
    std::array<LogList*, kCategoryCount> lists{};
    WanStatus* wan = nullptr;
    AutoLogFiles* files = nullptr;
    CDebugConsole* console = nullptr;
};

// The datagram in hand, as the intake left it.
struct CurrentDatagram
{
    static constexpr int kTextSize = 1500;

    int Facility = 0;
    std::array<char, kTextSize + 1> Text{}; // one more byte, always zero
    qsizetype ByteCount = 0;                // bytes read, zeros included
    qsizetype TextLength = 0;               // bytes before the first zero
    int HeaderEnd = 0;
    quint32 SourcePort = 0;
    QString SourceAddress;
    int Severity = 0;
    int Priority = 0;

    // The datagram's text: its bytes up to the first zero byte.
    QByteArrayView text() const { return QByteArrayView(Text.data(), TextLength); }
    // Every byte read; the priority prefix is looked for here, zero bytes and all.
    QByteArrayView bytes() const { return QByteArrayView(Text.data(), ByteCount); }
};

// What the intake has done since the socket was created; read by the headless receiver and the
// benchmarks.
struct IntakeCounters
{
    quint64 read = 0;          // datagrams read
    quint64 filtered = 0;      // dropped by the sender filter
    quint64 malformed = 0;     // dropped for want of a priority prefix
    quint64 ownForwards = 0;   // our own forwards coming back, dropped
    quint64 forwarded = 0;     // sent on to the Replay host
    quint64 forwardFailed = 0; // refused by the system on the way to the Replay host
    quint64 stored = 0;        // listed and written to a category
    quint64 written = 0;       // of those, appended to their log file
    quint64 statusReports = 0; // WAN status messages
    quint64 ignored = 0;       // other facilities
};

// The receiving socket. Each time it is readable it takes in exactly one datagram: echo to the
// console, the sender filter of the host list, the priority prefix, Replay, decoding, and the
// dispatch of facilities 16 to 20 to their category and 21 to the WAN status.
class CSysLogSocket : public QObject
{
    Q_OBJECT

public:
    // The receive buffer asked for: bursts of several thousand datagrams wait in the kernel
    // while the window is busy. Unprivileged processes get the system's limit instead.
    static constexpr int kReceiveBufferBytes = 8 * 1024 * 1024;

    explicit CSysLogSocket(const IntakeTargets& targets, QObject* parent = nullptr);
    ~CSysLogSocket() override;

    // Binds `port` on all interfaces (or on `address`, network order) and starts taking in
    // datagrams. false, with the reason in `error`, when the port cannot be bound.
    bool Create(quint16 port, QString* error = nullptr, quint32 address = INADDR_ANY);
    void Close();
    bool isOpen() const { return socket_.isOpen(); }
    quint16 localPort() const { return socket_.localPort(); }
    int receiveBufferBytes() const { return receiveBufferBytes_; }

    // Forwards every accepted datagram through `replay` while it is set; null switches Replay
    // off. Datagrams that the Replay socket itself sent here are dropped, so a Replay target
    // that is this receiver cannot loop.
    void setReplay(CReplaySocket* replay);

    const CurrentDatagram& datagram() const { return current_; }
    const IntakeCounters& counters() const { return counters_; }

    // Takes in one datagram, if one is waiting.
    void OnReceive();
    // Takes in a datagram that was read elsewhere, as if it had come from `from` (benchmarks
    // measure the intake without the system call this way).
    void takeIn(QByteArrayView datagram, const sockaddr_in& from);
    // Files the datagram in hand under a category: Time, Host and Message on top of the list and
    // appended to the category's file. Returns 1 when stored.
    int StoreEntry(LogList* list, LogCategory category);
    // Updates the status panels from the datagram in hand, or resets them while every sender
    // is accepted.
    void ShowWanStatus();

Q_SIGNALS:
    // A stored entry. The views point into the datagram in hand: connect directly, and copy
    // what must outlive the call.
    void entryStored(quendal::LogCategory category, const quendal::LogEntryView& entry);

private:
    void intake(qsizetype byteCount, const sockaddr_in& from);
    bool acceptedByHostFilter();
    bool isOwnForward(const sockaddr_in& from) const;
    void dispatch();

    IntakeTargets targets_;
    UdpSocket socket_;
    std::unique_ptr<QSocketNotifier> notifier_;
    int receiveBufferBytes_ = 0;
    CReplaySocket* replay_ = nullptr;
    QSet<quint32> ownAddresses_; // network order
    CurrentDatagram current_;
    quint32 lastSource_ = 0; // network order, to reuse SourceAddress for a repeated sender
    IntakeCounters counters_;
};

} // namespace quendal
