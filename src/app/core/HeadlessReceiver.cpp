#include "app/core/HeadlessReceiver.h"

#include "app/core/ActivityStats.h"
#include "app/core/CDebugConsole.h"
#include "app/core/HeadlessOutput.h"
#include "app/core/HeadlessReload.h"
#include "app/core/HeadlessViewers.h"
#include "app/core/LineWriter.h"
#include "app/core/StreamCountersText.h"
#include "app/core/SystemdService.h"
#include "app/core/UnixSignalWatcher.h"
#include "common/core/SocketAddress.h"
#include "common/core/UiText.h"
#include "forward/core/ForwardStatus.h"
#include "receiver/core/ReceptionEngine.h"
#include "receiver/core/WanStatus.h"
#include "viewer/core/ArrivalOrder.h"
#include "viewer/core/ViewerServer.h"

#include <QCoreApplication>
#include <QTimer>

#include <csignal>

namespace quendal {
namespace {

using namespace Qt::StringLiterals;

// How often systemd's status line follows the counters.
constexpr std::chrono::seconds kSystemdStatusInterval{2};

void printError(const QString& text)
{
    printToStandardError(text);
}

// Entry and status lines, queued on the receiver thread as each datagram is taken in, so they
// share the writer with the console echo in the order of the datagrams. The writer never blocks
// intake: a reader that does not keep up loses whole lines, counted.
class LineOutput : public IntakeSink
{
public:
    explicit LineOutput(LineWriter& writer) : writer_(writer) {}

    void entryStored(LogCategory category, const LogEntryView& entry) override
    {
        line_.truncate(0); // keeps its capacity for the next line
        appendEntryLine(line_, category, entry);
        writer_.write(line_);
    }
    void statusChanged(const WanStatus& status) override
    {
        line_.truncate(0);
        appendStatusLine(line_, status);
        writer_.write(line_);
    }

private:
    LineWriter& writer_;
    QByteArray line_;
};

} // namespace

int runHeadless(const HeadlessOptions& options, const ConfigurationSource& source)
{
    // First, while descriptors are free: without it SIGTERM would end the process without a
    // summary and SIGHUP would do nothing.
    UnixSignalWatcher signalWatcher({SIGINT, SIGTERM, SIGHUP});
    if (!signalWatcher.isWatching()) {
        printError(QStringLiteral("cannot watch for signals: %1").arg(signalWatcher.error()));
        return ExitFailure;
    }
    LoadUiText();

    QString problem;
    std::optional<ReceptionSettings> settings = receptionSettingsFor(options, &problem);
    if (!settings) {
        printError(problem);
        return ExitFailure;
    }
    // Started by systemd with its socket (socket activation): receive there, bind nothing.
    const SystemdSockets inherited = takeSystemdSockets();
    if (!inherited.error.isEmpty()) {
        printError(u"cannot take the sockets systemd handed over: "_s + inherited.error);
        return ExitFailure;
    }
    if (inherited.others > 0)
        printError(QStringLiteral("ignoring %1 sockets from systemd that are not UDP sockets")
                       .arg(inherited.others));
    if (inherited.datagram.size() > 1)
        printError(QStringLiteral("systemd handed over %1 UDP sockets; receiving on the first")
                       .arg(inherited.datagram.size()));
    settings->inheritedSocket = inherited.datagram.empty() ? -1 : inherited.datagram.front();
    // Stream sockets go to TCP or TLS by their port.
    for (const int fd : inherited.stream) {
        const quint16 at = boundPort(fd);
        if (settings->tcpPort == at && settings->inheritedTcpSocket < 0)
            settings->inheritedTcpSocket = fd;
        else if (settings->tlsPort == at && settings->inheritedTlsSocket < 0)
            settings->inheritedTlsSocket = fd;
        else
            printError(QStringLiteral("ignoring the stream socket from systemd on port %1: "
                                      "neither tcp-port nor tls-port")
                           .arg(at));
    }
    if (inherited.others > 0 && settings->inheritedSocket < 0) {
        printError(QStringLiteral("systemd handed over no UDP socket to receive on"));
        return ExitFailure;
    }

    // Entry lines and the console's echo share one writer, so they keep their order.
    LineWriter output;
    CDebugConsole console;
    console.setOutput(&output);
    if (options.debug || commandLineHasDebugSwitch(QCoreApplication::arguments()))
        console.Open();

    LineOutput lines(output);
    ReceptionEngine engine(&console);
    engine.setObserver(&lines);
    ArrivalOrder arrivalOrder(&lines); // observes for viewers, in front of the lines
    engine.setBatchesWanted(false);    // nothing to show but the lines above
    // With --stats, the activity counts come with the batches and a line goes out per interval.
    engine.setActivityWanted(options.statsSeconds.has_value());
    // Viewers get what the window would: entries, senders, status values and activity.
    const std::optional<QString> viewerSocket = viewerSocketFor(options);
    if (viewerSocket) {
        engine.setBatchesWanted(true);
        engine.setActivityWanted(true);
        engine.setObserver(&arrivalOrder);
    }
    HeadlessReload reload(source, options, *settings, engine);
    ActivityStats stats;
    QTimer statsTimer;
    if (options.statsSeconds) {
        QObject::connect(&engine, &ReceptionEngine::batchArrived,
                         [&stats](ReceptionBatch* batch) { stats.add(batch->activity); });
        statsTimer.setInterval(std::chrono::seconds(*options.statsSeconds));
        QObject::connect(&statsTimer, &QTimer::timeout, [&] {
            const int seconds = reload.options().statsSeconds.value_or(0);
            printError(QString::fromUtf8(stats.takeLine(seconds, engine.counters())) +
                       streamCountersText(engine.counters()));
            if (const ForwardStatusList targets = engine.forwarder().status(); !targets.empty())
                printError(u"forwarding: "_s + forwardStatusLine(targets));
        });
        reload.statsIntervalChanged = [&] {
            statsTimer.start(std::chrono::seconds(*reload.options().statsSeconds));
        };
    }
    reload.beforeRebind = [&] {
        engine.deliverPending();
        // The engine counts afresh from its new start: what it counted so far goes out now.
        QString counts = summaryLine(engine.counters(), output.droppedLines());
        counts.remove(0, counts.indexOf(u':') + 1);
        printError(u"counted before rebinding:"_s + counts);
    };
    // Replay's target may change with a reload: the messages name the one in use.
    const auto replayTarget = [&reload] {
        const auto& replay = reload.settings().replay;
        return replay ? addressWithPort(replay->address, replay->port) : QString();
    };
    QObject::connect(&engine, &ReceptionEngine::forwardingFailed, [&](const QString& why) {
        printError(u"cannot forward to "_s + replayTarget() + u": "_s + why +
                   u" (counted as failed forwards; reception and files go on)"_s);
    });
    QObject::connect(&engine, &ReceptionEngine::forwardingRecovered,
                     [&] { printError(u"forwarding to "_s + replayTarget() + u" works again"_s); });
    QObject::connect(&engine, &ReceptionEngine::replayFailed, [&](const QString& why) {
        printError(u"cannot forward to "_s + replayTarget() + u": "_s + why);
    });

    // Collectors: a failure once until it recovers, its recovery once.
    QObject::connect(&engine.forwarder(), &Forwarder::problem, &printError);
    QObject::connect(&engine.forwarder(), &Forwarder::recovered, &printError);

    // At most once per interval, naming the senders with the most excess.
    QObject::connect(&engine, &ReceptionEngine::overRateReported,
                     [](const OverRateReport& report) { printError(overRateText(report)); });
    QObject::connect(&engine, &ReceptionEngine::badFrameReported,
                     [](const QString& peer, const QString& reason) {
                         printError(u"closed a connection from "_s + peer + u" for "_s + reason);
                     });

    QString error;
    QString replayError;
    if (!engine.start(*settings, &error, &replayError)) {
        printError(cannotReceiveText(*settings, error));
        return ExitFailure;
    }
    if (!replayError.isEmpty()) {
        engine.stop();
        printError(u"cannot forward to "_s + replayTarget() + u": "_s + replayError);
        return ExitFailure;
    }

    const std::unique_ptr<ViewerServer> viewers =
        viewerSocket ? openViewerSocket(*viewerSocket, engine, &arrivalOrder, options.viewerBacklog)
                     : nullptr;

    // One concatenation: paths and addresses may hold "%1" themselves.
    QString where = settings->listenAddress.isEmpty()
                        ? u"UDP port "_s + QString::number(engine.localPort())
                        : addressWithPort(settings->listenAddress, engine.localPort());
    if (settings->inheritedSocket >= 0)
        where =
            u"the socket from systemd (UDP port "_s + QString::number(engine.localPort()) + u")"_s;
    printError(u"receiving syslog on "_s + where + u", log files in "_s + settings->folder +
               (settings->replay ? u", forwarding to "_s + replayTarget() : QString()) +
               (options.host ? u", only from "_s + *options.host : QString()));
    for (const ForwardTarget& target : settings->forward.targets)
        printError(u"forwarding to "_s + target.name + u" through a queue in "_s +
                   settings->forward.queueFolder);
    if (engine.tcpPort() > 0)
        printError(u"receiving syslog over TCP on port "_s + QString::number(engine.tcpPort()));
    if (engine.tlsPort() > 0)
        printError(
            u"receiving syslog over TLS on port "_s + QString::number(engine.tlsPort()) +
            (settings->tlsClientCa.isEmpty() ? QString() : u", clients need a certificate"_s));

    if (options.statsSeconds)
        statsTimer.start();

    // Under systemd: ready once the socket is bound, the counters as status every few seconds,
    // and watchdog pings from the receiver thread's own loop, so that a stuck receiver is
    // restarted.
    const auto statusState = [&] {
        QString status = serviceStatusText(engine.counters(), output.droppedLines());
        if (const ForwardStatusList targets = engine.forwarder().status(); !targets.empty())
            status += u"; forwarding "_s + forwardStatusLine(targets);
        return "STATUS=" + status.toUtf8();
    };
    notifySystemd("READY=1\n" + statusState());
    QTimer statusTimer;
    QByteArray lastStatus;
    if (systemdWantsNotifications()) {
        statusTimer.setInterval(kSystemdStatusInterval);
        QObject::connect(&statusTimer, &QTimer::timeout, [&] {
            if (const QByteArray status = statusState(); status != lastStatus)
                notifySystemd(lastStatus = status);
        });
        statusTimer.start();
    }
    if (const auto ping = systemdWatchdogPingInterval(); ping.count() > 0)
        engine.setHeartbeat([] { notifySystemd("WATCHDOG=1"); }, ping);

    QObject::connect(&signalWatcher, &UnixSignalWatcher::received, [&](int signalNumber) {
        if (signalNumber != SIGHUP) {
            QCoreApplication::quit();
            return;
        }
        // Everything a reload does stands between RELOADING=1 and READY=1.
        notifySystemd(systemdReloadingState());
        // SIGHUP reads the configuration again and opens the log files afresh, as daemons do
        // after logrotate.
        reload.reloadConfiguration();
        if (!engine.isRunning()) {
            QCoreApplication::exit(ExitFailure);
            return;
        }
        engine.reopenFiles();
        notifySystemd("READY=1\n" + statusState());
    });
    const int exitCode = QCoreApplication::exec();

    notifySystemd("STOPPING=1");
    engine.setHeartbeat({}, {});
    engine.stop();
    // Lines a reader has not taken within this time are given up: the stop never waits on it.
    output.finish(std::chrono::milliseconds(400));
    printError(summaryLine(engine.counters(), output.droppedLines()));
    for (const QString& line : forwardSummaryLines(engine.forwarder().status()))
        printError(line);
    if (engine.counters().notWritten > 0)
        printError(QStringLiteral("%1 entries could not be written to the log files")
                       .arg(engine.counters().notWritten));
    return exitCode == ExitFailure ? ExitFailure : ExitOk;
}

} // namespace quendal
