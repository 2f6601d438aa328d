#pragma once

#include "activity/core/MinuteActivity.h"
#include "common/core/Clock.h"
#include "viewer/core/EntryRing.h"
#include "viewer/core/ViewerProtocol.h"

#include <QHash>
#include <QLocalServer>
#include <QObject>
#include <QTimer>

#include <memory>
#include <vector>

class QLocalSocket;

namespace quendal {

class ArrivalOrder;

// What the viewer socket holds at most.
struct ViewerLimits
{
    qsizetype entriesPerCategory = 10'000; // kept for back-fill
    qint64 queueBytes = qint64(4) << 20;   // waiting for one viewer before it misses entries
    qint64 stallMs = 30'000;               // of no reading before a viewer is dropped
    int maxViewers = 64;
    // A back-fill goes out in pieces of this many entries, the next once less than
    // `backfillAheadBytes` wait for the viewer: what waits stays small however deep it is.
    qsizetype backfillPiece = 16'384;
    qint64 backfillAheadBytes = qint64(4) << 20;
};

// Offers what reception delivers to viewers on a local socket. Viewers only read: the server
// takes nothing from them but their hello. Each viewer has a bounded queue; one that falls
// behind misses entries (and is told how many) instead of slowing anything down, and one that
// stops reading altogether is dropped after a while. Nothing a viewer does reaches reception,
// its files or its counters.
class ViewerServer : public QObject
{
    Q_OBJECT

public:
    using Limits = ViewerLimits;

    explicit ViewerServer(ServiceWelcome identity, const Clock& clock = Clock::system(),
                          Limits limits = {}, QObject* parent = nullptr);
    ~ViewerServer() override;

    // Listens at `path`, readable and writable by the file's owner and group only (mode 0660):
    // who else may connect is set by the folder's group. A stale socket file is replaced; one a
    // running service answers on is not.
    bool listen(const QString& path, QString* error);
    QString path() const { return server_.fullServerName(); }

    // Hands one delivery of reception to every viewer and keeps its entries for back-fill.
    void publish(const ReceptionBatch& batch);
    // Counters that moved on without entries; sent only when they changed.
    void publishCounters(const IntakeCounters& counters);
    void setPort(quint16 port) { identity_.port = port; }
    // Where the order of entries across categories is noted; without it a delivery's entries go
    // out category by category.
    void setArrivalOrder(ArrivalOrder* order) { order_ = order; }

    int viewerCount() const { return int(viewers_.size()); }
    // Drops viewers that read nothing for the stall limit; runs every second on its own.
    void dropStalled();

Q_SIGNALS:
    // For tests and the log: a viewer came, was refused or dropped.
    void viewerCountChanged(int count);

private:
    struct Viewer;

    void accept();
    void readHello(Viewer& viewer);
    void greet(Viewer& viewer, const ViewerHello& hello);
    void send(Viewer& viewer, const std::vector<QByteArray>& frames, quint64 entries);
    std::vector<std::pair<LogCategory, LogEntryView>> nextBackfillPiece(Viewer& viewer);
    void continueBackfill(Viewer& viewer);
    void catchUp(Viewer& viewer);
    void drop(QLocalSocket* socket);
    // The state as a viewer that starts now, or catches up after missing entries, needs it.
    ViewerBatch snapshot(bool backfill) const;

    ArrivalOrder* order_ = nullptr;
    ServiceWelcome identity_;
    const Clock& clock_;
    Limits limits_;
    QLocalServer server_;
    QTimer stallTimer_;
    std::vector<std::unique_ptr<Viewer>> viewers_;

    EntryRing ring_;
    QStringList senders_;
    std::optional<WanStatus::Snapshot> status_;
    MinuteActivity minutes_;
    QHash<QString, SenderReport> reports_; // the latest of each sender
    std::optional<IntakeCounters> counters_;
};

} // namespace quendal
