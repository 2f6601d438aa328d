#include "app/core/HeadlessReceiver.h"

#include "app/core/CDebugConsole.h"
#include "app/core/HeadlessOutput.h"
#include "app/core/Settings.h"
#include "app/core/SettingsStore.h"
#include "app/core/UiText.h"
#include "app/core/UnixSignalWatcher.h"
#include "receiver/core/ReceptionEngine.h"
#include "receiver/core/UdpSocket.h"
#include "receiver/core/WanStatus.h"

#include <QCoreApplication>
#include <QDir>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace quendal {
namespace {

void printError(const QString& text)
{
    std::fprintf(stderr, "quendal-syslog: %s\n", qPrintable(text));
}

// Entry and status lines, written on the receiver thread as each datagram is taken in, so they
// share standard output's buffer with the console echo in the order of the datagrams. Standard
// output is block-buffered unless it is a terminal and is pushed out at the end of each drain,
// so a reader at the other end of a pipe is never behind.
class LineOutput : public IntakeSink
{
public:
    LineOutput()
    {
        if (!::isatty(STDOUT_FILENO))
            std::setvbuf(stdout, nullptr, _IOFBF, 1 << 16);
    }
    ~LineOutput() override { std::fflush(stdout); }

    void entryStored(LogCategory category, const LogEntryView& entry) override
    {
        line_.truncate(0); // keeps its capacity for the next line
        appendEntryLine(line_, category, entry);
        write();
    }
    void statusChanged(const WanStatus& status) override
    {
        line_.truncate(0);
        appendStatusLine(line_, status);
        write();
    }
    void drainEnded() override { std::fflush(stdout); }

private:
    void write() { std::fwrite(line_.constData(), 1, size_t(line_.size()), stdout); }

    QByteArray line_;
};

QString defaultLogFolder()
{
    if (const auto stored = SettingsStore().logPath(); stored && !stored->isEmpty())
        return *stored;
    return QDir::currentPath();
}

} // namespace

int runHeadless(const HeadlessOptions& options)
{
    LoadUiText();

    const QString logFolder = options.logDir.value_or(defaultLogFolder());
    QString folderError;
    if (!canAppendToLogFolder(logFolder, &folderError)) {
        printError(QStringLiteral("cannot write log files in %1: %2").arg(logFolder, folderError));
        return ExitFailure;
    }

    CDebugConsole console;
    if (options.debug || commandLineHasDebugSwitch(QCoreApplication::arguments()))
        console.Open();

    ReceptionSettings settings;
    settings.port = options.port;
    settings.folder = logFolder;
    if (options.host)
        settings.selectedHost = *options.host;
    if (options.replayAddress)
        settings.replay = ReplayTarget{*options.replayAddress, options.replayPort};

    LineOutput output;
    ReceptionEngine engine(&console);
    engine.setObserver(&output);
    engine.setBatchesWanted(false); // nothing to show but the lines above

    QString error;
    QString replayError;
    if (!engine.start(settings, &error, &replayError)) {
        QString hint = bindPrivilegeHint(options.port);
        if (!hint.isEmpty())
            hint = QStringLiteral(" (%1; use --port with a port above 1023)").arg(hint);
        printError(QStringLiteral("cannot receive on UDP port %1: %2%3")
                       .arg(options.port)
                       .arg(error, hint));
        return ExitFailure;
    }
    if (!replayError.isEmpty()) {
        engine.stop();
        printError(QStringLiteral("cannot forward to %1:%2: %3")
                       .arg(*options.replayAddress)
                       .arg(options.replayPort)
                       .arg(replayError));
        return ExitFailure;
    }

    printError(
        QStringLiteral("receiving syslog on UDP port %1, log files in %2%3%4")
            .arg(engine.localPort())
            .arg(logFolder)
            .arg(options.replayAddress ? QStringLiteral(", forwarding to %1:%2")
                                             .arg(*options.replayAddress)
                                             .arg(options.replayPort)
                                       : QString())
            .arg(options.host ? QStringLiteral(", only from %1").arg(*options.host) : QString()));

    // SIGHUP opens the log files afresh, as daemons do after logrotate.
    UnixSignalWatcher signalWatcher({SIGINT, SIGTERM, SIGHUP});
    QObject::connect(&signalWatcher, &UnixSignalWatcher::received, [&](int signalNumber) {
        if (signalNumber == SIGHUP)
            engine.reopenFiles();
        else
            QCoreApplication::quit();
    });
    QCoreApplication::exec();

    engine.stop();
    std::fflush(stdout);
    const IntakeCounters& c = engine.counters();
    QString summary =
        QStringLiteral("stopped: %1 datagrams read, %2 entries stored, %3 status reports, "
                       "%4 forwarded, %5 from other senders, %6 without a priority")
            .arg(c.read)
            .arg(c.stored)
            .arg(c.statusReports)
            .arg(c.forwarded)
            .arg(c.filtered)
            .arg(c.malformed);
    if (c.cut > 0)
        summary += QStringLiteral(", %1 cut to 1500 bytes").arg(c.cut);
    if (c.kernelDrops > 0)
        summary += QStringLiteral(", dropped by the system: %1").arg(c.kernelDrops);
    printError(summary);
    if (c.notWritten > 0)
        printError(QStringLiteral("%1 entries could not be written to the log files")
                       .arg(c.notWritten));
    return ExitOk;
}

} // namespace quendal
