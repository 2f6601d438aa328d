#include "viewer/core/ViewerServer.h"

#include "viewer/core/ArrivalOrder.h"

#include <QFile>
#include <QLocalSocket>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace quendal {

namespace {
using namespace Qt::StringLiterals;
// Status reports kept for back-fill, one per sender.
constexpr qsizetype kMaxReports = 10'000;
} // namespace

struct ViewerServer::Viewer
{
    QLocalSocket* socket = nullptr;
    ViewerFrameReader reader;
    bool greeted = false;
    bool refused = false;
    quint64 missed = 0;
    qint64 lastProgress = 0; // monotonic ms of the last write that went out, or of an empty queue
    // While back-filling, the entries still to come are read from the ring at `cursor`: the
    // live deliveries meanwhile reach the viewer that way, in order, and only their other parts
    // go out at once.
    bool backfilling = false;
    EntryRing::Cursor cursor{};
    quint64 filterBefore = 0; // entries older than this sequence are filtered as asked
    std::optional<LogCategory> category;
    std::optional<QByteArray> host;
};

ViewerServer::ViewerServer(ServiceWelcome identity, const Clock& clock, Limits limits,
                           QObject* parent)
    : QObject(parent), identity_(std::move(identity)), clock_(clock), limits_(limits),
      ring_(limits.entriesPerCategory)
{
    connect(&server_, &QLocalServer::newConnection, this, &ViewerServer::accept);
    stallTimer_.setInterval(1000);
    connect(&stallTimer_, &QTimer::timeout, this, &ViewerServer::dropStalled);
}

ViewerServer::~ViewerServer()
{
    for (const auto& v : viewers_)
        v->socket->disconnect(this);
    server_.close(); // removes the socket file
}

bool ViewerServer::listen(const QString& path, QString* error)
{
    struct stat status
    {};
    if (::lstat(QFile::encodeName(path).constData(), &status) == 0) {
        // Only a socket left behind is replaced: never a file or a link put there.
        if (!S_ISSOCK(status.st_mode)) {
            *error = u"something other than a socket is there"_s;
            return false;
        }
        QLocalSocket probe;
        probe.connectToServer(path);
        // A local connect is answered at once: by a listening service, or refused.
        if (probe.waitForConnected(500)) {
            *error = u"another service offers viewers there already"_s;
            return false;
        }
        QLocalServer::removeServer(path);
    }
    if (!server_.listen(path)) {
        *error = server_.errorString();
        return false;
    }
    // Owner and group: the folder's group decides who else may watch.
    if (::chmod(QFile::encodeName(path).constData(), 0660) != 0) {
        *error =
            u"cannot set the socket's permissions: "_s + QString::fromLocal8Bit(strerror(errno));
        server_.close();
        return false;
    }
    stallTimer_.start();
    return true;
}

void ViewerServer::accept()
{
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        if (int(viewers_.size()) >= limits_.maxViewers) {
            socket->write(encodeViewerRefusal(
                {QStringLiteral("too many viewers (%1) are connected").arg(limits_.maxViewers)}));
            socket->disconnectFromServer();
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            continue;
        }
        auto viewer = std::make_unique<Viewer>();
        viewer->socket = socket;
        viewer->lastProgress = clock_.monotonicMs();
        Viewer* v = viewer.get();
        viewers_.push_back(std::move(viewer));
        connect(socket, &QLocalSocket::readyRead, this, [this, v] { readHello(*v); });
        connect(socket, &QLocalSocket::bytesWritten, this, [this, v] {
            v->lastProgress = clock_.monotonicMs();
            if (v->backfilling)
                continueBackfill(*v);
            // Caught up after missing entries: told so now, not only with the next delivery.
            if (!v->backfilling && v->missed > 0 &&
                v->socket->bytesToWrite() < limits_.queueBytes / 2)
                catchUp(*v);
        });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] { drop(socket); });
        Q_EMIT viewerCountChanged(viewerCount());
    }
}

void ViewerServer::readHello(Viewer& viewer)
{
    viewer.reader.append(viewer.socket->readAll());
    if (viewer.reader.failed()) {
        drop(viewer.socket);
        return;
    }
    // Only the first frame is read; a viewer has nothing more to say.
    while (const auto frame = viewer.reader.next()) {
        if (viewer.greeted || viewer.refused)
            continue;
        const auto message = decodeViewerMessage(*frame);
        const ViewerHello* hello = message ? std::get_if<ViewerHello>(&*message) : nullptr;
        if (!hello) {
            drop(viewer.socket);
            return;
        }
        if (hello->version != kViewerProtocolVersion) {
            viewer.refused = true;
            viewer.socket->write(encodeViewerRefusal(
                {QStringLiteral("viewer protocol version %1 is not spoken here; this service "
                                "speaks version %2")
                     .arg(hello->version)
                     .arg(kViewerProtocolVersion)}));
            viewer.socket->disconnectFromServer();
            return;
        }
        greet(viewer, *hello);
    }
}

void ViewerServer::greet(Viewer& viewer, const ViewerHello& hello)
{
    viewer.greeted = true;
    viewer.socket->write(encodeServiceWelcome(identity_));
    viewer.backfilling = true;
    viewer.cursor = ring_.cursorBeforeNewest(hello.backfill, hello.category, hello.host);
    viewer.filterBefore = ring_.nextSequence();
    viewer.category = hello.category;
    viewer.host = hello.host;
    // The state as it stands first, with the first piece of entries.
    for (const QByteArray& frame : encodeViewerBatch(snapshot(true), nextBackfillPiece(viewer)))
        viewer.socket->write(frame);
    continueBackfill(viewer);
}

std::vector<std::pair<LogCategory, LogEntryView>> ViewerServer::nextBackfillPiece(Viewer& viewer)
{
    quint64 gone = 0;
    auto piece = ring_.takeAfter(viewer.cursor, limits_.backfillPiece, viewer.filterBefore,
                                 viewer.category, viewer.host, gone);
    viewer.missed += gone;
    return piece;
}

void ViewerServer::continueBackfill(Viewer& viewer)
{
    ViewerBatch more;
    more.backfill = true;
    while (viewer.backfilling && viewer.socket->bytesToWrite() < limits_.backfillAheadBytes) {
        if (ring_.isAtEnd(viewer.cursor)) {
            // Caught up with the ring: live deliveries from now on.
            viewer.backfilling = false;
            if (viewer.missed > 0)
                catchUp(viewer);
            break;
        }
        for (const QByteArray& frame : encodeViewerBatch(more, nextBackfillPiece(viewer)))
            viewer.socket->write(frame);
    }
}

ViewerBatch ViewerServer::snapshot(bool backfill) const
{
    ViewerBatch b;
    b.backfill = backfill;
    b.senders = senders_;
    b.status = status_;
    b.counters = counters_;
    if (backfill) {
        b.activity.minutes = minutes_.all();
        for (const SenderReport& r : reports_)
            b.activity.reports.push_back(r);
        std::sort(
            b.activity.reports.begin(), b.activity.reports.end(),
            [](const SenderReport& a, const SenderReport& z) { return a.report.at < z.report.at; });
    }
    return b;
}

void ViewerServer::publish(const ReceptionBatch& batch)
{
    ViewerBatch live;
    size_t total = 0;
    for (const LogRows& rows : batch.rows)
        total += size_t(rows.size());
    // The ring keeps every entry; a copy for the live frames only when someone is watching.
    const bool watched = !viewers_.empty();
    if (watched)
        live.entries.reserve(total);
    const auto take = [&](int category, qsizetype row) {
        const LogEntryView entry = batch.rows[size_t(category)].at(row);
        ring_.add(LogCategory(category), entry);
        if (watched)
            live.entries.emplace_back(LogCategory(category), LogEntry::from(entry));
    };
    // The rows' order across categories, when the notes agree with the batch; else category by
    // category.
    std::vector<quint8> order = order_ && total > 0 ? order_->take(total) : std::vector<quint8>{};
    std::array<qsizetype, kCategoryCount> left{};
    for (const quint8 c : order)
        if (c < kCategoryCount)
            ++left[c];
    bool ordered = order.size() == total;
    for (int c = 0; c < kCategoryCount; ++c)
        ordered = ordered && left[size_t(c)] == batch.rows[size_t(c)].size();
    if (ordered) {
        for (const quint8 c : order) // rows are newest first: the oldest left is the last
            take(c, --left[c]);
    } else {
        for (int c = 0; c < kCategoryCount; ++c)
            for (qsizetype r = batch.rows[size_t(c)].size() - 1; r >= 0; --r)
                take(c, r);
    }
    senders_ += batch.newSenders;
    live.senders = batch.newSenders;
    if (batch.status)
        status_ = live.status = batch.status;
    for (const MinuteCounts& m : batch.activity.minutes)
        minutes_.add(m);
    for (const SenderReport& r : batch.activity.reports)
        if (reports_.size() < kMaxReports || reports_.contains(r.sender))
            reports_.insert(r.sender, r);
    live.activity = batch.activity;
    counters_ = live.counters = batch.counters;
    if (!watched)
        return;
    const std::vector<QByteArray> frames = encodeViewerBatch(live);
    std::vector<QByteArray> withoutEntries;
    for (const auto& v : viewers_) {
        if (!v->backfilling) {
            send(*v, frames, live.entries.size());
            continue;
        }
        // Its entries come through the ring, after the back-fill's.
        if (withoutEntries.empty()) {
            live.entries.clear();
            withoutEntries = encodeViewerBatch(live);
        }
        for (const QByteArray& frame : withoutEntries)
            v->socket->write(frame);
        continueBackfill(*v);
    }
}

void ViewerServer::publishCounters(const IntakeCounters& counters)
{
    if (counters_ && std::memcmp(&*counters_, &counters, sizeof counters) == 0)
        return;
    counters_ = counters;
    if (viewers_.empty())
        return;
    ViewerBatch b;
    b.counters = counters;
    const std::vector<QByteArray> frames = encodeViewerBatch(b);
    for (const auto& v : viewers_)
        send(*v, frames, 0);
}

void ViewerServer::send(Viewer& viewer, const std::vector<QByteArray>& frames, quint64 entries)
{
    if (!viewer.greeted || viewer.refused)
        return;
    if (viewer.socket->bytesToWrite() >= limits_.queueBytes) {
        viewer.missed += entries;
        return;
    }
    if (viewer.missed > 0)
        catchUp(viewer);
    for (const QByteArray& frame : frames)
        viewer.socket->write(frame);
}

void ViewerServer::catchUp(Viewer& viewer)
{
    // Told what it missed, then the senders and status values it may have missed with them.
    viewer.socket->write(encodeMissedEntries({viewer.missed}));
    for (const QByteArray& frame : encodeViewerBatch(snapshot(false)))
        viewer.socket->write(frame);
    viewer.missed = 0;
}

void ViewerServer::dropStalled()
{
    const qint64 now = clock_.monotonicMs();
    std::vector<QLocalSocket*> stalled;
    for (const auto& v : viewers_) {
        if (v->greeted && v->socket->bytesToWrite() == 0)
            v->lastProgress = now;
        else if (now - v->lastProgress >= limits_.stallMs)
            stalled.push_back(v->socket);
    }
    for (QLocalSocket* socket : stalled)
        drop(socket);
}

void ViewerServer::drop(QLocalSocket* socket)
{
    const auto it = std::find_if(viewers_.begin(), viewers_.end(),
                                 [socket](const auto& v) { return v->socket == socket; });
    if (it == viewers_.end())
        return;
    viewers_.erase(it);
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
    Q_EMIT viewerCountChanged(viewerCount());
}

} // namespace quendal
