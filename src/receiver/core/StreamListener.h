#pragma once

#include "common/core/Clock.h"
#include "common/core/SocketAddress.h"
#include "receiver/core/IntakeStep.h"
#include "transport/core/SyslogFrameReader.h"

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QSslConfiguration>
#include <QString>

#include <functional>
#include <memory>
#include <unordered_map>

class QTcpServer;
class QTcpSocket;
class QTimer;

namespace quendal {

class AutoLogFiles;

// What protects the receiver from its TCP and TLS peers.
struct StreamLimits
{
    qsizetype maxMessageSize = 64 * 1024;
    int maxConnections = 1000; // TCP and TLS together
    qint64 idleTimeoutMs = 600'000;
};

// The listener of syslog over TCP, or over TLS. It only reads and frames: each message goes to
// the intake step it shares with the UDP socket on the same thread, as a value with its peer's
// address as sender. Reading is bounded per connection and per turn of the event loop, so a busy
// peer neither holds up the other sockets nor makes memory grow: while the intake is behind, the
// socket buffers fill and TCP holds the sender back.
class StreamListener : public QObject
{
    Q_OBJECT

public:
    // The most read from one connection at one turn of the event loop.
    static constexpr qint64 kReadChunk = 64 * 1024;
    // What a connection's socket buffers ahead of the intake.
    static constexpr qint64 kSocketBuffer = 128 * 1024;
    // Connections waiting in the kernel to be taken, at least (the kernel caps it at somaxconn).
    static constexpr int kMinListenBacklog = 128;
    // A TLS client must have finished its handshake by then.
    static constexpr int kHandshakeTimeoutMs = 10'000;
    // A peer's bad frames are reported at most this often.
    static constexpr qint64 kReportIntervalMs = 10'000;

    // Reports of a connection closed for a bad frame: the peer and why.
    using Report = std::function<void(const QString& peer, const QString& reason)>;

    StreamListener(Transport transport, IntakeStep& step, IntakeSink& sink, AutoLogFiles* files,
                   const Clock& clock, QObject* parent = nullptr);
    ~StreamListener() override;

    // Listens on `address` (QHostAddress::Any: both families); `tls` is required for TLS.
    bool listen(const QHostAddress& address, quint16 port, QString* error);
    // Listens on a socket bound elsewhere (socket activation), which it takes over.
    bool adopt(int descriptor, QString* error);
    // Closes the listening socket and every connection.
    void close();
    bool isListening() const;
    quint16 localPort() const;
    // Bytes read from every connection so far.
    quint64 bytesRead() const { return bytesRead_; }

    void setLimits(const StreamLimits& limits);
    // For TLS: what new connections present and ask of their clients.
    void setTlsConfiguration(const QSslConfiguration& configuration);
    void setReport(Report report) { report_ = std::move(report); }

    // Closes the connections silent for the idle timeout; runs on a timer too.
    void closeIdle();

private:
    struct Connection
    {
        QTcpSocket* socket;
        SyslogFrameReader reader;
        SocketAddress peer;
        qint64 lastActivityMs;
        bool readPosted = false;
    };

    void startServer();
    void takeConnections();
    void watchHandshake(QTcpSocket* socket);
    void read(QTcpSocket* socket);
    // Takes in one chunk; false when the connection was closed for a bad frame.
    bool readChunk(Connection& connection);
    void postRead(Connection& connection);
    void closed(QTcpSocket* socket);
    void drop(QTcpSocket* socket, bool gracefully);
    void reportBadFrame(const Connection& connection);

    Transport transport_;
    IntakeStep& step_;
    IntakeSink& sink_;
    AutoLogFiles* files_;
    const Clock& clock_;
    StreamLimits limits_;
    std::unique_ptr<QTcpServer> server_;
    QSslConfiguration tls_;
    QTimer* idleTimer_;
    std::unordered_map<QTcpSocket*, std::unique_ptr<Connection>> connections_;
    QByteArray buffer_;
    Report report_;
    QHash<QString, qint64> lastReports_; // per peer host
    quint64 bytesRead_ = 0;
};

} // namespace quendal
