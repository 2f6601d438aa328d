#include "app/core/HeadlessViewers.h"

#include "app/core/LineWriter.h"
#include "receiver/core/ReceptionEngine.h"
#include "viewer/core/ViewerClient.h"
#include "viewer/core/ViewerServer.h"

#include <QCoreApplication>

namespace quendal {

using namespace Qt::StringLiterals;

std::optional<QString> viewerSocketFor(const HeadlessOptions& options)
{
    if (options.viewerSocket)
        return options.viewerSocket;
    return runtimeViewerSocketPath();
}

std::unique_ptr<ViewerServer> openViewerSocket(const QString& path, ReceptionEngine& engine,
                                               ArrivalOrder* order, qsizetype backlog)
{
    ViewerLimits limits;
    limits.entriesPerCategory = backlog;
    auto server = std::make_unique<ViewerServer>(ServiceWelcome{kViewerProtocolVersion,
                                                                QCoreApplication::applicationName(),
                                                                engine.localPort()},
                                                 Clock::system(), limits);
    QString error;
    if (!server->listen(path, &error)) {
        printToStandardError(u"cannot offer entries to viewers at "_s + path + u": "_s + error +
                             u" (reception goes on)"_s);
        return nullptr;
    }
    ViewerServer* s = server.get();
    s->setArrivalOrder(order);
    QObject::connect(&engine, &ReceptionEngine::batchArrived, s,
                     [s](ReceptionBatch* batch) { s->publish(*batch); });
    QObject::connect(&engine, &ReceptionEngine::countersUpdated, s,
                     [s, &engine] { s->publishCounters(engine.counters()); });
    QObject::connect(&engine, &ReceptionEngine::runningChanged, s,
                     [s, &engine] { s->setPort(engine.localPort()); });
    printToStandardError(u"offering entries to viewers at "_s + path);
    return server;
}

} // namespace quendal
