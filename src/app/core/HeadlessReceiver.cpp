#include "app/core/HeadlessReceiver.h"

#include "app/core/ActivityStats.h"
#include "app/core/CDebugConsole.h"
#include "app/core/HeadlessOutput.h"
#include "app/core/LineWriter.h"
#include "app/core/ReplayTarget.h"
#include "app/core/Settings.h"
#include "app/core/SettingsStore.h"
#include "app/core/SystemdService.h"
#include "app/core/UnixSignalWatcher.h"
#include "common/core/SocketAddress.h"
#include "common/core/UdpSocket.h"
#include "common/core/UiText.h"
#include "receiver/core/ReceptionEngine.h"
#include "receiver/core/WanStatus.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>

#include <csignal>

namespace quendal {
namespace {

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

// Why log files cannot be written in `folder`, naming the folder; empty when they can.
QString logFolderProblem(const QString& folder)
{
    const QFileInfo info(folder);
    if (!info.exists())
        return QStringLiteral("log folder %1 does not exist").arg(folder);
    if (!info.isDir())
        return QStringLiteral("log folder %1 is not a folder").arg(folder);
    QString error;
    if (!canAppendToLogFolder(folder, &error))
        return QStringLiteral("cannot write log files in folder %1: %2").arg(folder, error);
    return {};
}

QString defaultLogFolder()
{
    if (const auto stored = SettingsStore().logPath(); stored && !stored->isEmpty())
        return *stored;
    return QDir::currentPath();
}

} // namespace

int runHeadless(const HeadlessOptions& options)
{
    // First, while descriptors are free: without it SIGTERM would end the process without a
    // summary and SIGHUP would do nothing.
    UnixSignalWatcher signalWatcher({SIGINT, SIGTERM, SIGHUP});
    if (!signalWatcher.isWatching()) {
        printError(QStringLiteral("cannot watch for signals: %1").arg(signalWatcher.error()));
        return ExitFailure;
    }
    LoadUiText();

    if (options.replayAddress) {
        if (const QString problem = replayTargetProblem(*options.replayAddress, options.replayPort);
            !problem.isEmpty()) {
            printError(
                QStringLiteral("cannot forward to %1: %2")
                    .arg(addressWithPort(*options.replayAddress, options.replayPort), problem));
            return ExitFailure;
        }
    }
    std::optional<QString> listen;
    if (options.listen) {
        listen = normalizedHostAddress(*options.listen);
        if (!listen) {
            QByteArray shown;
            appendEscaped(shown, options.listen->toUtf8());
            printError(QStringLiteral("cannot receive on %1: not an IPv4 or IPv6 address")
                           .arg(QString::fromUtf8(shown)));
            return ExitFailure;
        }
    }
    // Started by systemd with its socket (socket activation): receive there, bind nothing.
    const SystemdSockets inherited = takeSystemdSockets();
    if (!inherited.error.isEmpty()) {
        printError(
            QStringLiteral("cannot take the sockets systemd handed over: %1").arg(inherited.error));
        return ExitFailure;
    }
    if (inherited.others > 0)
        printError(QStringLiteral("ignoring %1 sockets from systemd that are not UDP sockets")
                       .arg(inherited.others));
    if (inherited.datagram.size() > 1)
        printError(QStringLiteral("systemd handed over %1 UDP sockets; receiving on the first")
                       .arg(inherited.datagram.size()));
    const int inheritedSocket = inherited.datagram.empty() ? -1 : inherited.datagram.front();
    if (inherited.others > 0 && inheritedSocket < 0) {
        printError(QStringLiteral("systemd handed over no UDP socket to receive on"));
        return ExitFailure;
    }

    const QString logFolder = options.logDir.value_or(defaultLogFolder());
    if (const QString problem = logFolderProblem(logFolder); !problem.isEmpty()) {
        printError(problem);
        return ExitFailure;
    }

    // Entry lines and the console's echo share one writer, so they keep their order.
    LineWriter output;
    CDebugConsole console;
    console.setOutput(&output);
    if (options.debug || commandLineHasDebugSwitch(QCoreApplication::arguments()))
        console.Open();

    ReceptionSettings settings;
    settings.port = options.port;
    settings.listenAddress = listen.value_or(QString());
    settings.inheritedSocket = inheritedSocket;
    settings.folder = logFolder;
    if (options.host)
        settings.selectedHost = *options.host;
    if (options.replayAddress)
        settings.replay = ReplayTarget{*options.replayAddress, options.replayPort};

    LineOutput lines(output);
    ReceptionEngine engine(&console);
    engine.setObserver(&lines);
    engine.setBatchesWanted(false); // nothing to show but the lines above
    // With --stats, the activity counts come with the batches and a line goes out per interval.
    engine.setActivityWanted(options.statsSeconds.has_value());
    ActivityStats stats;
    QTimer statsTimer;
    if (options.statsSeconds) {
        QObject::connect(&engine, &ReceptionEngine::batchArrived,
                         [&stats](ReceptionBatch* batch) { stats.add(batch->activity); });
        statsTimer.setInterval(std::chrono::seconds(*options.statsSeconds));
        QObject::connect(&statsTimer, &QTimer::timeout, [&] {
            printError(QString::fromUtf8(stats.takeLine(*options.statsSeconds, engine.counters())));
        });
    }
    if (options.replayAddress) {
        const QString target = addressWithPort(*options.replayAddress, options.replayPort);
        QObject::connect(&engine, &ReceptionEngine::forwardingFailed, [target](const QString& why) {
            printError(QStringLiteral("cannot forward to %1: %2 (counted as failed forwards; "
                                      "reception and files go on)")
                           .arg(target, why));
        });
        QObject::connect(&engine, &ReceptionEngine::forwardingRecovered, [target] {
            printError(QStringLiteral("forwarding to %1 works again").arg(target));
        });
    }

    QString error;
    QString replayError;
    if (!engine.start(settings, &error, &replayError)) {
        QString hint = bindPrivilegeHint(options.port);
        if (!hint.isEmpty())
            hint = QStringLiteral(" (%1; use --port with a port above 1023)").arg(hint);
        if (listen)
            printError(QStringLiteral("cannot receive on %1: %2%3")
                           .arg(addressWithPort(*listen, options.port), error, hint));
        else
            printError(QStringLiteral("cannot receive on UDP port %1: %2%3")
                           .arg(options.port)
                           .arg(error, hint));
        return ExitFailure;
    }
    if (!replayError.isEmpty()) {
        engine.stop();
        printError(
            QStringLiteral("cannot forward to %1: %2")
                .arg(addressWithPort(*options.replayAddress, options.replayPort), replayError));
        return ExitFailure;
    }

    QString where = listen ? addressWithPort(*listen, engine.localPort())
                           : QStringLiteral("UDP port %1").arg(engine.localPort());
    if (inheritedSocket >= 0)
        where = QStringLiteral("the socket from systemd (UDP port %1)").arg(engine.localPort());
    printError(
        QStringLiteral("receiving syslog on %1, log files in %2%3%4")
            .arg(where)
            .arg(logFolder)
            .arg(options.replayAddress
                     ? QStringLiteral(", forwarding to %1")
                           .arg(addressWithPort(*options.replayAddress, options.replayPort))
                     : QString())
            .arg(options.host ? QStringLiteral(", only from %1").arg(*options.host) : QString()));

    if (options.statsSeconds)
        statsTimer.start();

    // Under systemd: ready once the socket is bound, the counters as status every few seconds,
    // and watchdog pings from the receiver thread's own loop, so that a stuck receiver is
    // restarted.
    const auto statusState = [&] {
        return "STATUS=" + serviceStatusText(engine.counters(), output.droppedLines()).toUtf8();
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
        // SIGHUP opens the log files afresh, as daemons do after logrotate.
        engine.reopenFiles();
        notifySystemd("READY=1\n" + statusState());
    });
    QCoreApplication::exec();

    notifySystemd("STOPPING=1");
    engine.setHeartbeat({}, {});
    engine.stop();
    // Lines a reader has not taken within this time are given up: the stop never waits on it.
    output.finish(std::chrono::milliseconds(400));
    printError(summaryLine(engine.counters(), output.droppedLines()));
    if (engine.counters().notWritten > 0)
        printError(QStringLiteral("%1 entries could not be written to the log files")
                       .arg(engine.counters().notWritten));
    return ExitOk;
}

} // namespace quendal
