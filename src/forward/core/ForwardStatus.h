#pragma once

#include <QString>

#include <vector>

namespace quendal {

// Where a target's connection stands.
enum class ForwardState : quint8
{
    Connecting,         // an attempt is under way
    Connected,          // entries flow
    Waiting,            // the last attempt failed; the next comes after a pause
    CertificateRefused, // the collector's certificate did not check; retried after a pause
    QueueUnusable       // its queue cannot be opened: nothing is kept for it
};

// One target's counters since forwarding started. At any time
// acknowledged + queued + dropped = accepted + carriedOver, exactly.
struct ForwardTargetStatus
{
    QString name;
    QString url;
    ForwardState state = ForwardState::Connecting;
    quint64 accepted = 0;    // entries handed to forwarding for it
    quint64 carriedOver = 0; // entries its queue held from before (an earlier run)
    quint64 queuedEntries = 0;
    quint64 queuedBytes = 0;
    quint64 sent = 0;         // written to the collector (again after a reconnect)
    quint64 acknowledged = 0; // acknowledged by the collector's system, out of the queue
    quint64 dropped = 0;      // the queue full (oldest dropped), or unwritable, or the handoff full
    quint64 failedAttempts = 0;
    quint64 tornSkipped = 0; // damaged records skipped when the queue was opened
};

using ForwardStatusList = std::vector<ForwardTargetStatus>;

// "connected", "certificate refused", ...
QString forwardStateText(ForwardState state);

// "collector: connected, 0 queued, 120 delivered, 0 dropped" for every target, "; " between.
QString forwardStatusLine(const ForwardStatusList& targets);

// The summary at stop, one line per target: "forwarded to NAME (URL): accepted 10 = delivered 8
// + still queued 2 + dropped 0; 0 failed attempts".
QStringList forwardSummaryLines(const ForwardStatusList& targets);

} // namespace quendal
