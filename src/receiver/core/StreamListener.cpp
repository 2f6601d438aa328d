#include "receiver/core/StreamListener.h"

#include "logs/core/AutoLogFiles.h"

#include <QSslServer>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <optional>
#include <vector>

namespace quendal {
namespace {

// A client refused during its handshake is counted once, whichever signals it gives.
constexpr char kRefusalCounted[] = "quendalRefusalCounted";
// The most peers whose last report is remembered.
constexpr qsizetype kReportedPeers = 1024;

SocketAddress peerOf(const QTcpSocket& socket)
{
    QHostAddress address = socket.peerAddress();
    // IPv4 peers of a socket of both families come as ::ffff:a.b.c.d; their sender is a.b.c.d.
    bool isIpv4 = false;
    const quint32 ipv4 = address.toIPv4Address(&isIpv4);
    if (isIpv4)
        address = QHostAddress(ipv4);
    return SocketAddress::fromText(address.toString(), socket.peerPort()).value_or(SocketAddress());
}

} // namespace

StreamListener::StreamListener(Transport transport, IntakeStep& step, IntakeSink& sink,
                               AutoLogFiles* files, const Clock& clock, QObject* parent)
    : QObject(parent), transport_(transport), step_(step), sink_(sink), files_(files),
      clock_(clock), idleTimer_(new QTimer(this)), buffer_(kReadChunk, Qt::Uninitialized)
{
    connect(idleTimer_, &QTimer::timeout, this, &StreamListener::closeIdle);
}

StreamListener::~StreamListener()
{
    close();
}

void StreamListener::setLimits(const StreamLimits& limits)
{
    limits_ = limits;
    // Often enough that a connection outlives its timeout by a second at most.
    idleTimer_->setInterval(int(std::clamp<qint64>(limits_.idleTimeoutMs / 4, 10, 1000)));
}

void StreamListener::setTlsConfiguration(const QSslConfiguration& configuration)
{
    tls_ = configuration;
    if (auto* server = qobject_cast<QSslServer*>(server_.get()))
        server->setSslConfiguration(tls_); // for the connections from now on
}

void StreamListener::startServer()
{
    close();
    if (transport_ == Transport::Tls) {
        auto server = std::make_unique<QSslServer>();
        server->setSslConfiguration(tls_);
        server->setHandshakeTimeout(kHandshakeTimeoutMs);
        connect(server.get(), &QSslServer::startedEncryptionHandshake, this,
                &StreamListener::watchHandshake);
        server_ = std::move(server);
    } else {
        server_ = std::make_unique<QTcpServer>();
    }
    // Connections are taken as they come; the limit is this listener's own.
    server_->setMaxPendingConnections(std::max(limits_.maxConnections, 1) + 64);
    // A burst of connections (senders coming back after an outage) waits in the kernel while
    // the TLS handshakes before it are made; with Qt's 50, the rest had their SYN dropped and
    // came a second or more later.
    server_->setListenBacklogSize(std::max(limits_.maxConnections, kMinListenBacklog));
    connect(server_.get(), &QTcpServer::pendingConnectionAvailable, this,
            &StreamListener::takeConnections);
}

bool StreamListener::listen(const QHostAddress& address, quint16 port, QString* error)
{
    startServer();
    if (server_->listen(address, port)) {
        idleTimer_->start();
        return true;
    }
    if (error)
        *error = server_->errorString();
    server_.reset();
    return false;
}

bool StreamListener::adopt(int descriptor, QString* error)
{
    startServer();
    if (server_->setSocketDescriptor(descriptor)) {
        idleTimer_->start();
        return true;
    }
    if (error)
        *error = server_->errorString();
    server_.reset();
    return false;
}

bool StreamListener::isListening() const
{
    return server_ && server_->isListening();
}

quint16 StreamListener::localPort() const
{
    return server_ ? server_->serverPort() : 0;
}

void StreamListener::close()
{
    idleTimer_->stop();
    for (auto& [socket, connection] : connections_) {
        socket->disconnect(this);
        socket->abort();
        --step_.connections().open;
    }
    connections_.clear();
    lastReports_.clear();
    server_.reset(); // with the sockets, which are its children
}

void StreamListener::watchHandshake(QTcpSocket* socket)
{
    const auto refuse = [this, socket] {
        if (socket->property(kRefusalCounted).toBool())
            return;
        socket->setProperty(kRefusalCounted, true);
        ++step_.connections().refused;
        sink_.drainEnded();
    };
    connect(socket, &QAbstractSocket::errorOccurred, this, refuse);
    connect(socket, &QAbstractSocket::disconnected, this, refuse);
}

void StreamListener::takeConnections()
{
    ConnectionCounters& counters = step_.connections();
    const auto framing = transport_ == Transport::Tls ? SyslogFrameReader::Framing::OctetCounted
                                                      : SyslogFrameReader::Framing::Either;
    while (server_ && server_->hasPendingConnections()) {
        QTcpSocket* socket = server_->nextPendingConnection();
        socket->disconnect(this); // the watch of its handshake
        if (counters.open >= quint64(std::max(limits_.maxConnections, 0))) {
            ++counters.refused;
            socket->abort();
            socket->deleteLater();
            continue;
        }
        ++counters.accepted;
        ++counters.open;
        socket->setReadBufferSize(kSocketBuffer);
        auto connection = std::make_unique<Connection>(
            Connection{socket, SyslogFrameReader(limits_.maxMessageSize, framing), peerOf(*socket),
                       clock_.monotonicMs()});
        // Read at the next turn of the event loop: over TLS, Qt tells of every 4 KiB it
        // decrypts, and a read for each cost a write to each file per 4 KiB.
        connect(socket, &QIODevice::readyRead, this, [this, socket] {
            if (const auto found = connections_.find(socket); found != connections_.end())
                postRead(*found->second);
        });
        connect(socket, &QAbstractSocket::disconnected, this, [this, socket] { closed(socket); });
        Connection& taken = *connection;
        connections_.emplace(socket, std::move(connection));
        // Bytes that came with the handshake are waiting already.
        if (socket->bytesAvailable() > 0)
            postRead(taken);
    }
    sink_.drainEnded();
}

void StreamListener::read(QTcpSocket* socket)
{
    const auto found = connections_.find(socket);
    if (found == connections_.end())
        return;
    Connection& connection = *found->second;
    connection.readPosted = false;
    if (readChunk(connection) && socket->bytesAvailable() > 0)
        postRead(connection);
}

void StreamListener::postRead(Connection& connection)
{
    // The rest at a later turn of the event loop: the other sockets have theirs meanwhile.
    if (connection.readPosted)
        return;
    connection.readPosted = true;
    QMetaObject::invokeMethod(
        this, [this, socket = connection.socket] { read(socket); }, Qt::QueuedConnection);
}

bool StreamListener::readChunk(Connection& connection)
{
    const qint64 n = connection.socket->read(buffer_.data(), kReadChunk);
    if (n <= 0)
        return true;
    connection.lastActivityMs = clock_.monotonicMs();
    bytesRead_ += quint64(n);
    bool framed = false;
    {
        // The entries of one chunk reach each file in one write.
        std::optional<AutoLogFiles::BatchScope> scope;
        if (files_)
            scope.emplace(*files_);
        framed = connection.reader.feed(QByteArrayView(buffer_.constData(), qsizetype(n)),
                                        [&](QByteArrayView message) {
                                            step_.take({message, connection.peer, transport_});
                                        });
    }
    step_.endDrain();
    if (!framed) {
        ++step_.connections().badFrames;
        reportBadFrame(connection);
        drop(connection.socket, false);
    }
    sink_.drainEnded();
    return framed;
}

void StreamListener::closed(QTcpSocket* socket)
{
    const auto found = connections_.find(socket);
    if (found == connections_.end())
        return;
    Connection& connection = *found->second;
    // What the peer sent before it closed is taken in first.
    while (socket->bytesAvailable() > 0) {
        if (!readChunk(connection))
            return;
    }
    step_.connections().unfinished += connection.reader.midFrame();
    drop(socket, false);
    sink_.drainEnded();
}

void StreamListener::drop(QTcpSocket* socket, bool gracefully)
{
    socket->disconnect(this);
    if (gracefully)
        socket->disconnectFromHost();
    else
        socket->abort();
    socket->deleteLater();
    connections_.erase(socket);
    --step_.connections().open;
}

void StreamListener::closeIdle()
{
    const qint64 now = clock_.monotonicMs();
    std::vector<QTcpSocket*> idle;
    for (const auto& [socket, connection] : connections_) {
        if (now - connection->lastActivityMs >= limits_.idleTimeoutMs)
            idle.push_back(socket);
    }
    if (idle.empty())
        return;
    for (QTcpSocket* socket : idle)
        drop(socket, true);
    step_.connections().idle += idle.size();
    sink_.drainEnded();
}

void StreamListener::reportBadFrame(const Connection& connection)
{
    if (!report_)
        return;
    const qint64 now = clock_.monotonicMs();
    const QString peer = connection.peer.hostText();
    const auto last = lastReports_.constFind(peer);
    if (last != lastReports_.cend() && now - *last < kReportIntervalMs)
        return;
    // Bounded whatever the peers: reports older than the interval are no longer needed.
    if (lastReports_.size() >= kReportedPeers) {
        lastReports_.removeIf(
            [&](const auto& it) { return now - it.value() >= kReportIntervalMs; });
        if (lastReports_.size() >= kReportedPeers)
            return; // a flood of peers: they are counted, not reported each
    }
    lastReports_.insert(peer, now);
    report_(peer, SyslogFrameReader::errorText(connection.reader.error()));
}

} // namespace quendal
