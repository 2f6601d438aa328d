#include "viewer/core/ViewerClient.h"

namespace quendal {

using namespace Qt::StringLiterals;

ViewerClient::ViewerClient(QObject* parent) : QObject(parent)
{
    connect(&socket_, &QLocalSocket::connected, this, [this] { socket_.write(hello_); });
    connect(&socket_, &QLocalSocket::readyRead, this, &ViewerClient::readFrames);
    connect(&socket_, &QLocalSocket::disconnected, this, [this] {
        end(welcomed_ ? u"the service closed the viewer socket"_s
                      : u"the service closed the viewer socket without answering"_s);
    });
    connect(&socket_, &QLocalSocket::errorOccurred, this, [this](QLocalSocket::LocalSocketError e) {
        if (e != QLocalSocket::PeerClosedError)
            end(u"cannot connect to "_s + socket_.serverName() + u": "_s + socket_.errorString());
    });
}

ViewerClient::~ViewerClient()
{
    // The socket's own end on destruction is no news.
    socket_.disconnect(this);
}

void ViewerClient::open(const QString& path, const ViewerHello& hello)
{
    reader_ = {};
    welcomed_ = false;
    ended_ = false;
    hello_ = encodeViewerHello(hello);
    socket_.connectToServer(path);
}

void ViewerClient::close()
{
    ended_ = true;
    socket_.abort();
}

void ViewerClient::end(const QString& reason)
{
    if (ended_)
        return;
    ended_ = true;
    socket_.abort();
    Q_EMIT ended(reason);
}

void ViewerClient::readFrames()
{
    reader_.append(socket_.readAll());
    while (!ended_) {
        const auto frame = reader_.next();
        if (!frame)
            break;
        auto message = decodeViewerMessage(*frame);
        if (!message) {
            end(u"the service sent a message this viewer cannot read"_s);
            return;
        }
        if (auto* refusal = std::get_if<ViewerRefusal>(&*message)) {
            end(u"the service refused this viewer: "_s + refusal->reason);
        } else if (auto* welcome = std::get_if<ServiceWelcome>(&*message)) {
            if (welcome->version != kViewerProtocolVersion) {
                end(QStringLiteral("the service speaks viewer protocol version %1; this viewer "
                                   "speaks version %2")
                        .arg(welcome->version)
                        .arg(kViewerProtocolVersion));
                return;
            }
            welcomed_ = true;
            Q_EMIT welcomed(*welcome);
        } else if (!welcomed_) {
            end(u"the service did not say hello"_s);
        } else if (auto* missed = std::get_if<MissedEntries>(&*message)) {
            Q_EMIT entriesMissed(missed->count);
        } else if (auto* batch = std::get_if<ViewerBatch>(&*message)) {
            Q_EMIT batchReceived(batch);
        }
    }
    if (reader_.failed())
        end(u"the service sent a frame longer than a viewer takes"_s);
}

std::optional<QString> runtimeViewerSocketPath()
{
    const QString runtime = qEnvironmentVariable("RUNTIME_DIRECTORY").section(u':', 0, 0);
    if (runtime.isEmpty())
        return std::nullopt;
    return runtime + u"/viewer.sock"_s;
}

QString defaultViewerSocketPath()
{
    return runtimeViewerSocketPath().value_or(u"/run/quendal-syslog/viewer.sock"_s);
}

} // namespace quendal
