#pragma once

#include "logs/core/LogCategory.h"
#include "logs/core/LogEntry.h"
#include "receiver/core/ReceptionBatch.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <utility>
#include <variant>
#include <vector>

namespace quendal {

// The viewer socket's messages (docs/viewer-protocol.md): each frame is a 4-byte big-endian
// length and one CBOR map of that length, whose "type" names the message.
inline constexpr int kViewerProtocolVersion = 1;
// A frame longer than this closes the connection: nothing a peer sends can make the other side
// hold more.
inline constexpr qsizetype kMaxViewerFrameBytes = qsizetype(4) << 20;

// What a viewer asks for on connecting: the newest `backfill` entries, of one category or all,
// of one host or all, before the live ones.
struct ViewerHello
{
    int version = kViewerProtocolVersion;
    qint64 backfill = 0;
    std::optional<LogCategory> category;
    std::optional<QByteArray> host; // the Host field or the sender's address
};

// The service's answer when it takes the viewer on.
struct ServiceWelcome
{
    int version = kViewerProtocolVersion;
    QString program;
    quint16 port = 0;
};

// The service's answer when it does not; the connection closes after it.
struct ViewerRefusal
{
    QString reason;
};

// Entries this viewer did not get because it did not read fast enough.
struct MissedEntries
{
    quint64 count = 0;
};

// What reception delivered, as a viewer gets it: entries in the order they were stored, and the
// rest only when it changed.
struct ViewerBatch
{
    bool backfill = false;
    std::vector<std::pair<LogCategory, LogEntry>> entries; // oldest first
    QStringList senders;                                   // new to this viewer
    std::optional<WanStatus::Snapshot> status;
    ActivityTally activity;
    std::optional<IntakeCounters> counters;

    // The same as the window's engine delivers it: each category's rows newest first.
    ReceptionBatch toReceptionBatch() &&;
};

using ViewerMessage =
    std::variant<ViewerHello, ServiceWelcome, ViewerRefusal, MissedEntries, ViewerBatch>;

// One whole frame (length and CBOR) of a message.
QByteArray encodeViewerHello(const ViewerHello& hello);
QByteArray encodeServiceWelcome(const ServiceWelcome& welcome);
QByteArray encodeViewerRefusal(const ViewerRefusal& refusal);
QByteArray encodeMissedEntries(const MissedEntries& missed);
// A batch as one frame or more, none longer than the maximum: entries go out in chunks, the
// rest with the last.
std::vector<QByteArray> encodeViewerBatch(const ViewerBatch& batch);
// The same with the entries given apart as views (the batch's own are left out): a back-fill
// goes out straight from where the entries are kept.
std::vector<QByteArray>
encodeViewerBatch(const ViewerBatch& batch,
                  const std::vector<std::pair<LogCategory, LogEntryView>>& entries);

// The message in one frame's CBOR (the length taken off); nullopt for anything malformed.
std::optional<ViewerMessage> decodeViewerMessage(QByteArrayView cbor);

// Cuts frames out of a byte stream. Bounded: a frame announced longer than the maximum makes it
// fail for good, holding nothing more.
class ViewerFrameReader
{
public:
    void append(QByteArrayView bytes);
    // The next whole frame's CBOR, or nullopt when none is complete yet (or the stream failed).
    std::optional<QByteArray> next();
    bool failed() const { return failed_; }

private:
    QByteArray buffer_;
    qsizetype start_ = 0;
    bool failed_ = false;
};

} // namespace quendal
