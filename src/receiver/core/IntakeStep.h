#pragma once

#include "common/core/AddressPrefix.h"
#include "common/core/Clock.h"
#include "common/core/SocketAddress.h"
#include "logs/core/EntrySplitter.h"
#include "logs/core/LogCategory.h"
#include "logs/core/LogEntry.h"
#include "receiver/core/HostFilter.h"
#include "receiver/core/PriorityDecoder.h"
#include "receiver/core/SenderRateLimit.h"
#include "receiver/core/WanStatus.h"

#include <QByteArrayView>
#include <QString>

#include <vector>

namespace quendal {

class AutoLogFiles;
class CReplaySocket;
class DatagramEcho;
class ForwardSink;

// How a message came.
enum class Transport : quint8
{
    Udp,
    Tcp,
    Tls
};

// One message as it came: its bytes, its sender and the way it came. The bytes belong to the
// caller and must stay valid while it is taken in.
struct IncomingMessage
{
    QByteArrayView bytes;
    const SocketAddress& from;
    Transport transport = Transport::Udp;
};

// What happened to a message taken in: exactly one of these.
enum class IntakeResult : quint8
{
    NotAllowed,   // its sender is outside the allow list
    OverRate,     // its sender is over its rate limit
    OwnForward,   // our own Replay forward coming back
    Filtered,     // from a sender other than the one chosen
    Malformed,    // without a priority prefix
    Stored,       // listed and written to `category`
    StatusReport, // a WAN status message
    OtherFacility // a facility nothing shows
};

enum class ForwardResult : quint8
{
    None,
    Sent,
    Failed
};

struct IntakeOutcome
{
    IntakeResult result = IntakeResult::Malformed;
    LogCategory category = LogCategory::FireWall; // when Stored
    ForwardResult forward = ForwardResult::None;
    bool cut = false;             // longer than what is kept for the texts
    bool senderNotListed = false; // a new sender that the full host list did not take
    Priority priority;            // when the prefix was found
    Transport transport = Transport::Udp;
};

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
    // Every message once taken in, with what happened to it.
    virtual void messageTaken(const IncomingMessage& message, const IntakeOutcome& outcome)
    {
        Q_UNUSED(message);
        Q_UNUSED(outcome);
    }
    // Senders went over their rate limits (at most once per report interval).
    virtual void overRate(const std::vector<OverRateReport>& reports) { Q_UNUSED(reports); }
    // The datagrams waiting at one readiness have all been taken in.
    virtual void drainEnded() {}
};

// Where an intake writes besides its sink. Both may be left out: without files nothing is
// written, without an echo nothing is shown.
struct IntakeOutputs
{
    AutoLogFiles* files = nullptr;
    DatagramEcho* echo = nullptr;
    // Forwarding to collectors: every message Replay would forward is handed over too.
    ForwardSink* forward = nullptr;
};

// The connections of TCP and TLS since reception started.
struct ConnectionCounters
{
    quint64 open = 0;       // open now
    quint64 accepted = 0;   // taken on
    quint64 refused = 0;    // closed at once: over the limit, or a TLS client not trusted
    quint64 badFrames = 0;  // closed for a frame that could not be read
    quint64 idle = 0;       // closed after a silence
    quint64 unfinished = 0; // closed by their peer in the middle of a message, which is lost
};

// What the intake has done since the socket was created. Every message read has exactly one of
// the outcomes from notAllowed to ignored.
struct IntakeCounters
{
    quint64 read = 0;          // messages read, whatever carried them
    quint64 readTcp = 0;       // of those, over TCP
    quint64 readTls = 0;       // of those, over TLS
    quint64 notAllowed = 0;    // from senders outside the allow list, dropped first
    quint64 overRate = 0;      // over their sender's rate limit, dropped
    quint64 filtered = 0;      // dropped by the sender filter
    quint64 malformed = 0;     // dropped for want of a priority prefix
    quint64 ownForwards = 0;   // our own forwards coming back, dropped
    quint64 stored = 0;        // listed and written to a category
    quint64 statusReports = 0; // WAN status messages
    quint64 ignored = 0;       // other facilities
    quint64 forwarded = 0;     // sent on to the Replay host
    quint64 forwardFailed = 0; // refused by the system on the way to the Replay host
    quint64 written = 0;       // of those stored, in their log file (as of the last drain)
    quint64 cut = 0;           // longer than what is kept for the texts
    quint64 notListed = 0;     // senders received but not listed, the host list being full
    quint64 kernelDrops = 0;   // dropped by the system before they could be read
    quint64 notWritten = 0;    // stored but could not be written to their file
    ConnectionCounters connections;

    // The one place where outcomes are counted.
    void count(const IntakeOutcome& outcome);
};

// The intake of one message, whatever carried it: the allow list, the rate limit, the console
// echo, the sender filter and host list, the priority prefix, Replay, decoding, and the dispatch
// of facilities 16 to 20 to their category and 21 to the WAN status. Runs on one thread; nothing
// in it is locked, and nothing is kept of a message once it has been taken in.
class IntakeStep
{
public:
    // What is kept of a message for its texts; Replay forwards the whole message.
    static constexpr int kTextSize = 1500;
    // Reports of senders over their rate go out at most this often.
    static constexpr qint64 kOverRateReportMs = 10'000;

    // Everything taken in goes to `sink`, which must outlive the step.
    IntakeStep(IntakeSink& sink, const IntakeOutputs& outputs, const Clock& clock);

    IntakeOutcome take(const IncomingMessage& message);

    // Who may send; empty: everybody.
    void setAllow(const std::vector<AddressPrefix>& allow) { allow_ = allow; }
    // Entries per second per sender; 0: no limit.
    void setRateLimit(int entriesPerSecond) { rateLimit_.setRate(entriesPerSecond); }
    // Forwards every accepted message through `replay` while it is set (see CSysLogSocket).
    void setReplay(CReplaySocket* replay);
    // The sender filter: set it between messages, from the step's thread.
    HostFilter& hosts() { return hosts_; }

    const IntakeCounters& counters() const { return counters_; }
    // Counting starts again (a new socket).
    void resetCounters();
    void setKernelDrops(quint64 drops) { counters_.kernelDrops = drops; }
    // Counted by the listeners of TCP and TLS, which share this step.
    ConnectionCounters& connections() { return counters_.connections; }
    // After the messages of one readiness: what reached the files, and the reports of senders
    // over their rate when the interval since the last has passed (or at once, with `now`).
    void endDrain(bool reportNow = false);

    // Files a decoded message under a category: Time, Host and Message to the sink and appended
    // to the category's file.
    void StoreEntry(QByteArrayView text, const Priority& priority, const QString& sender,
                    LogCategory category);
    // Updates the status values from a status message, or resets them while every sender is
    // accepted.
    void ShowWanStatus(QByteArrayView text, const QString& sender);

private:
    IntakeResult decide(const IncomingMessage& message, IntakeOutcome& outcome);
    bool isOwnForward(const SocketAddress& from) const;
    const QString& senderText(const SocketAddress& from);

    IntakeSink& sink_;
    IntakeOutputs outputs_;
    const Clock& clock_;
    std::vector<AddressPrefix> allow_;
    SenderRateLimit rateLimit_;
    HostFilter hosts_;
    WanStatus wan_;
    CReplaySocket* replay_ = nullptr;
    std::vector<SocketAddress> ownAddresses_; // where forwards may leave from
    EntrySplitter splitter_;                  // cuts each stored message by the form of its header
    SocketAddress lastSource_;                // the text is made once per change of sender
    QString lastSourceText_;
    IntakeCounters counters_;
    quint64 handedToFiles_ = 0;     // entries appended to the files since the reset
    quint64 notWrittenAtStart_ = 0; // the files' own count of failures at the reset
    qint64 lastReportMs_ = 0;
    bool reported_ = false;
};

} // namespace quendal
