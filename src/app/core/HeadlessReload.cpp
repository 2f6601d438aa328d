#include "app/core/HeadlessReload.h"

#include "app/core/LineWriter.h"
#include "common/core/SocketAddress.h"
#include "common/core/UdpSocket.h"
#include "receiver/core/ReceptionEngine.h"

namespace quendal {
namespace {

using namespace Qt::StringLiterals;

QStringList prefixTexts(const std::vector<AddressPrefix>& prefixes)
{
    QStringList texts;
    for (const AddressPrefix& prefix : prefixes)
        texts << prefix.text();
    return texts;
}

bool sameReplay(const std::optional<ReplayTarget>& a, const std::optional<ReplayTarget>& b)
{
    if (!a || !b)
        return !a && !b;
    return a->address == b->address && a->port == b->port;
}

} // namespace

QString cannotReceiveText(const ReceptionSettings& settings, const QString& error)
{
    QString hint = bindPrivilegeHint(settings.port);
    if (!hint.isEmpty())
        hint = u" ("_s + hint + u"; use --port with a port above 1023)"_s;
    const QString where = settings.listenAddress.isEmpty()
                              ? u"UDP port "_s + QString::number(settings.port)
                              : addressWithPort(settings.listenAddress, settings.port);
    return u"cannot receive on "_s + where + u": "_s + error + hint;
}

HeadlessReload::HeadlessReload(ConfigurationSource source, HeadlessOptions options,
                               ReceptionSettings settings, ReceptionEngine& engine)
    : source_(std::move(source)), options_(std::move(options)), settings_(std::move(settings)),
      engine_(engine)
{}

bool HeadlessReload::reloadConfiguration()
{
    const QString fileName = source_.file.value_or(u"the command line"_s);
    QStringList problems;
    const auto options = loadHeadlessOptions(source_, &problems);
    QString problem;
    auto settings = options ? receptionSettingsFor(*options, &problem) : std::nullopt;
    if (options && !settings)
        problems << problem;
    if (!settings) {
        printToStandardError(u"reload refused, the running configuration stays: "_s +
                             problems.join(u"; "_s));
        return false;
    }

    // A socket handed over by systemd stays: its port is the socket unit's to change.
    if (settings_.inheritedSocket >= 0) {
        settings->inheritedSocket = settings_.inheritedSocket;
        settings->port = settings_.port;
        settings->listenAddress = settings_.listenAddress;
    }
    // The same for stream sockets: their ports stay the socket unit's.
    if (settings_.inheritedTcpSocket >= 0) {
        settings->inheritedTcpSocket = settings_.inheritedTcpSocket;
        settings->tcpPort = settings_.tcpPort;
    }
    if (settings_.inheritedTlsSocket >= 0) {
        settings->inheritedTlsSocket = settings_.inheritedTlsSocket;
        settings->tlsPort = settings_.tlsPort;
    }
    const StreamLimits& limits = settings->streamLimits;
    const StreamLimits& now = settings_.streamLimits;
    const bool streamsMoved =
        settings->tcpPort != settings_.tcpPort || settings->tlsPort != settings_.tlsPort ||
        limits.maxMessageSize != now.maxMessageSize ||
        limits.maxConnections != now.maxConnections || limits.idleTimeoutMs != now.idleTimeoutMs;
    if (streamsMoved || settings->port != settings_.port ||
        settings->listenAddress != settings_.listenAddress) {
        if (!rebind(*settings))
            return false;
    } else {
        if (prefixTexts(settings->allow) != prefixTexts(settings_.allow))
            engine_.setAllow(settings->allow);
        if (settings->rateLimit != settings_.rateLimit)
            engine_.setRateLimit(settings->rateLimit);
        if (settings->selectedHost != settings_.selectedHost)
            engine_.setSelectedHost(settings->selectedHost);
        if (settings->folder != settings_.folder)
            engine_.setFolder(settings->folder);
        if (!sameReplay(settings->replay, settings_.replay))
            engine_.setReplay(settings->replay);
        // New targets replace the old; the same ones try at once where they were waiting.
        engine_.setForwarding(settings->forward);
        // Read again, whether the names changed or a renewal replaced the files: connections
        // from now on get what they hold.
        if (settings->tlsPort || settings->inheritedTlsSocket >= 0)
            engine_.setTlsFiles(settings->tlsCertificate, settings->tlsKey, settings->tlsClientCa);
    }

    QStringList later;
    if (options->debug != options_.debug)
        later << u"debug"_s;
    if (settings->maxSenders != settings_.maxSenders)
        later << u"max-senders"_s;
    if (options->statsSeconds.has_value() != options_.statsSeconds.has_value())
        later << u"stats"_s;
    if (options->viewerSocket != options_.viewerSocket)
        later << u"viewer-socket"_s;
    if (options->viewerBacklog != options_.viewerBacklog)
        later << u"viewer-backlog"_s;
    const bool statsInterval = options->statsSeconds && options_.statsSeconds &&
                               *options->statsSeconds != *options_.statsSeconds;

    // What waits for the next start keeps its running value, so that a later reload compares
    // with what runs.
    const HeadlessOptions running = options_;
    options_ = *options;
    options_.debug = running.debug;
    options_.maxSenders = running.maxSenders;
    options_.viewerSocket = running.viewerSocket;
    options_.viewerBacklog = running.viewerBacklog;
    if (later.contains(u"stats"_s))
        options_.statsSeconds = running.statsSeconds;
    const int runningMaxSenders = settings_.maxSenders;
    settings_ = *settings;
    settings_.maxSenders = runningMaxSenders;

    if (statsInterval && statsIntervalChanged)
        statsIntervalChanged();
    printToStandardError(u"configuration reloaded from "_s + fileName +
                         (later.isEmpty()
                              ? QString()
                              : u"; "_s + later.join(u", "_s) + u" change at the next start"_s));
    return true;
}

bool HeadlessReload::rebind(const ReceptionSettings& settings)
{
    if (beforeRebind)
        beforeRebind();
    ReceptionSettings next = settings;
    next.maxSenders = settings_.maxSenders;
    QString error;
    QString replayError;
    if (engine_.start(next, &error, &replayError)) {
        if (!replayError.isEmpty())
            printToStandardError(u"cannot forward to "_s +
                                 addressWithPort(next.replay->address, next.replay->port) +
                                 u": "_s + replayError);
        printToStandardError(u"receiving syslog on "_s +
                             (next.listenAddress.isEmpty()
                                  ? u"UDP port "_s + QString::number(engine_.localPort())
                                  : addressWithPort(next.listenAddress, engine_.localPort())));
        if (engine_.tcpPort() > 0)
            printToStandardError(u"receiving syslog over TCP on port "_s +
                                 QString::number(engine_.tcpPort()));
        if (engine_.tlsPort() > 0)
            printToStandardError(u"receiving syslog over TLS on port "_s +
                                 QString::number(engine_.tlsPort()));
        return true;
    }
    const QString failure = cannotReceiveText(next, error);
    // Back to what ran; should that fail too (the port taken meanwhile), there is no receiver.
    if (!engine_.start(settings_, &error)) {
        printToStandardError(failure + u"; "_s + cannotReceiveText(settings_, error));
        return false;
    }
    printToStandardError(u"reload refused, the running configuration stays: "_s + failure);
    return false;
}

} // namespace quendal
