#pragma once

#include "viewer/core/ViewerProtocol.h"

#include <QLocalSocket>
#include <QObject>
#include <QString>

#include <optional>

namespace quendal {

// A viewer's end of the viewer socket: says hello, checks the service's answer and hands on
// what comes, in order.
class ViewerClient : public QObject
{
    Q_OBJECT

public:
    explicit ViewerClient(QObject* parent = nullptr);
    ~ViewerClient() override;

    // Connects and asks for `hello`'s back-fill; the answer comes as signals.
    void open(const QString& path, const ViewerHello& hello = {});
    void close();
    bool isConnected() const { return socket_.state() == QLocalSocket::ConnectedState; }

Q_SIGNALS:
    void welcomed(const quendal::ServiceWelcome& service);
    // The receiver may take what the batch holds.
    void batchReceived(quendal::ViewerBatch* batch);
    void entriesMissed(quint64 count);
    // The connection ended or could not be made, with a sentence saying why; nothing follows.
    void ended(const QString& reason);

private:
    void readFrames();
    void end(const QString& reason);

    QLocalSocket socket_;
    ViewerFrameReader reader_;
    QByteArray hello_;
    bool welcomed_ = false;
    bool ended_ = false;
};

// The viewer socket in systemd's runtime folder of this process, when it set one.
std::optional<QString> runtimeViewerSocketPath();

// Where a service's viewer socket is looked for when none is named: under systemd's runtime
// folder of the service when it set one for this process, else the unit's.
QString defaultViewerSocketPath();

} // namespace quendal
