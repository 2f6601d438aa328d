#include "app/core/HeadlessReceiver.h"

#include "app/core/ActivityStats.h"
#include "app/core/CDebugConsole.h"
#include "app/core/HeadlessOutput.h"
#include "app/core/HeadlessReload.h"
#include "app/core/LineWriter.h"
#include "app/core/UnixSignalWatcher.h"
#include "common/core/SocketAddress.h"
#include "common/core/UiText.h"
#include "receiver/core/ReceptionEngine.h"
#include "receiver/core/WanStatus.h"

#include <QCoreApplication>
#include <QTimer>

#include <csignal>

namespace quendal {
namespace {

using namespace Qt::StringLiterals;

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
    LoadUiText();

    QString problem;
    const std::optional<ReceptionSettings> settings = receptionSettingsFor(options, &problem);
    if (!settings) {
        printError(problem);
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
    engine.setBatchesWanted(false); // nothing to show but the lines above
    // With --stats, the activity counts come with the batches and a line goes out per interval.
    engine.setActivityWanted(options.statsSeconds.has_value());
    HeadlessReload reload(source, options, *settings, engine);
    ActivityStats stats;
    QTimer statsTimer;
    if (options.statsSeconds) {
        QObject::connect(&engine, &ReceptionEngine::batchArrived,
                         [&stats](ReceptionBatch* batch) { stats.add(batch->activity); });
        statsTimer.setInterval(std::chrono::seconds(*options.statsSeconds));
        QObject::connect(&statsTimer, &QTimer::timeout, [&] {
            const int seconds = reload.options().statsSeconds.value_or(0);
            printError(QString::fromUtf8(stats.takeLine(seconds, engine.counters())));
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

    // At most once per interval, naming the senders with the most excess.
    QObject::connect(&engine, &ReceptionEngine::overRateReported,
                     [](const OverRateReport& report) { printError(overRateText(report)); });

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

    // Before the line that says it receives, so that a SIGHUP after that line is never lost.
    // SIGHUP reads the configuration again and opens the log files afresh, as daemons do after
    // logrotate.
    UnixSignalWatcher signalWatcher({SIGINT, SIGTERM, SIGHUP});
    QObject::connect(&signalWatcher, &UnixSignalWatcher::received, [&](int signalNumber) {
        if (signalNumber != SIGHUP) {
            QCoreApplication::quit();
            return;
        }
        reload.reloadConfiguration();
        if (!engine.isRunning()) {
            QCoreApplication::exit(ExitFailure);
            return;
        }
        engine.reopenFiles();
    });

    // One concatenation: paths and addresses may hold "%1" themselves.
    const QString where = settings->listenAddress.isEmpty()
                              ? u"UDP port "_s + QString::number(engine.localPort())
                              : addressWithPort(settings->listenAddress, engine.localPort());
    printError(u"receiving syslog on "_s + where + u", log files in "_s + settings->folder +
               (settings->replay ? u", forwarding to "_s + replayTarget() : QString()) +
               (options.host ? u", only from "_s + *options.host : QString()));

    if (options.statsSeconds)
        statsTimer.start();

    const int exitCode = QCoreApplication::exec();

    engine.stop();
    // Lines a reader has not taken within this time are given up: the stop never waits on it.
    output.finish(std::chrono::milliseconds(400));
    printError(summaryLine(engine.counters(), output.droppedLines()));
    if (engine.counters().notWritten > 0)
        printError(QStringLiteral("%1 entries could not be written to the log files")
                       .arg(engine.counters().notWritten));
    return exitCode == ExitFailure ? ExitFailure : ExitOk;
}

} // namespace quendal
