#include "app/core/InstanceActivation.h"

#include "app/core/SingleInstanceLock.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

namespace quendal {
namespace {

const QByteArray kShowRequest = QByteArrayLiteral("show\n");

} // namespace

QString InstanceActivation::defaultName()
{
    // Beside the lock, so that whoever shares the lock shares the socket.
    const QFileInfo lock(SingleInstanceLock::defaultPath());
    return lock.dir().filePath(lock.completeBaseName() + QStringLiteral(".socket"));
}

InstanceActivation::InstanceActivation(const QString& name, QObject* parent)
    : QObject(parent), name_(name), server_(new QLocalServer(this))
{
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                // Only a whole request counts; anything else on the socket is ignored.
                if (socket->bytesAvailable() < kShowRequest.size())
                    return;
                const bool show = socket->read(kShowRequest.size()) == kShowRequest;
                socket->disconnectFromServer();
                if (show)
                    Q_EMIT showRequested();
            });
        }
    });
}

InstanceActivation::~InstanceActivation() = default;

bool InstanceActivation::listen(QString* error)
{
    QLocalServer::removeServer(name_);
    if (server_->listen(name_))
        return true;
    if (error)
        *error = server_->errorString();
    return false;
}

bool InstanceActivation::askRunningInstanceToShow(const QString& name, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(kShowRequest);
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    // The running instance hangs up once it has the request.
    socket.waitForDisconnected(timeoutMs);
    return true;
}

} // namespace quendal
