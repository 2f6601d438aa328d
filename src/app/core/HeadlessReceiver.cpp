#include "app/core/HeadlessReceiver.h"

#include "app/core/CDebugConsole.h"
#include "app/core/HeadlessOutput.h"
#include "app/core/Settings.h"
#include "app/core/SettingsStore.h"
#include "app/core/UiText.h"
#include "app/core/UnixSignalWatcher.h"
#include "logs/core/AutoLogFiles.h"
#include "receiver/core/CReplaySocket.h"
#include "receiver/core/CSysLogSocket.h"
#include "receiver/core/HostList.h"
#include "receiver/core/UdpSocket.h"
#include "receiver/core/WanStatus.h"

#include <QCoreApplication>
#include <QDir>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace quendal {
namespace {

void printError(const QString& text)
{
    std::fprintf(stderr, "quendal-syslog: %s\n", qPrintable(text));
}

// Entry lines share standard output's buffer with the console echo, so both keep their order.
// Standard output is block-buffered unless it is a terminal; a short timer pushes out whatever
// waits, so a reader at the other end of a pipe is never far behind.
class LineOutput
{
public:
    LineOutput()
    {
        if (!::isatty(STDOUT_FILENO))
            std::setvbuf(stdout, nullptr, _IOFBF, 1 << 16);
        flushTimer_.setSingleShot(true);
        flushTimer_.setInterval(100);
        QObject::connect(&flushTimer_, &QTimer::timeout, [] { std::fflush(stdout); });
    }
    ~LineOutput() { std::fflush(stdout); }

    QByteArray& line()
    {
        line_.truncate(0); // keeps its capacity for the next line
        return line_;
    }
    void write()
    {
        std::fwrite(line_.constData(), 1, size_t(line_.size()), stdout);
        if (!flushTimer_.isActive())
            flushTimer_.start();
    }

private:
    QByteArray line_;
    QTimer flushTimer_;
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

    HostList hosts(GetUiText(9002));
    if (options.host) {
        hosts.add(*options.host);
        hosts.setSelectedRow(1);
    }
    WanStatus wan;
    AutoLogFiles files(logFolder);

    IntakeTargets targets;
    targets.hosts = &hosts;
    targets.wan = &wan;
    targets.files = &files;
    targets.console = &console;
    CSysLogSocket receiver(targets);

    CReplaySocket replay;
    if (options.replayAddress) {
        QString error;
        if (!replay.Create(*options.replayAddress, options.replayPort, &error)) {
            printError(QStringLiteral("cannot forward to %1:%2: %3")
                           .arg(*options.replayAddress)
                           .arg(options.replayPort)
                           .arg(error));
            return ExitFailure;
        }
        receiver.setReplay(&replay);
    }

    LineOutput output;
    QObject::connect(&receiver, &CSysLogSocket::entryStored,
                     [&](LogCategory category, const LogEntryView& entry) {
                         appendEntryLine(output.line(), category, entry);
                         output.write();
                     });
    QObject::connect(&wan, &WanStatus::changed, [&] {
        appendStatusLine(output.line(), wan);
        output.write();
    });

    QString error;
    if (!receiver.Create(options.port, &error)) {
        QString hint = bindPrivilegeHint(options.port);
        if (!hint.isEmpty())
            hint = QStringLiteral(" (%1; use --port with a port above 1023)").arg(hint);
        printError(QStringLiteral("cannot receive on UDP port %1: %2%3")
                       .arg(options.port)
                       .arg(error, hint));
        return ExitFailure;
    }

    printError(
        QStringLiteral("receiving syslog on UDP port %1, log files in %2%3%4")
            .arg(receiver.localPort())
            .arg(logFolder)
            .arg(options.replayAddress ? QStringLiteral(", forwarding to %1:%2")
                                             .arg(*options.replayAddress)
                                             .arg(options.replayPort)
                                       : QString())
            .arg(options.host ? QStringLiteral(", only from %1").arg(*options.host) : QString()));

    UnixSignalWatcher signalWatcher({SIGINT, SIGTERM});
    QObject::connect(&signalWatcher, &UnixSignalWatcher::received,
                     [] { QCoreApplication::quit(); });
    QCoreApplication::exec();

    receiver.Close();
    std::fflush(stdout);
    const IntakeCounters& c = receiver.counters();
    printError(QStringLiteral("stopped: %1 datagrams read, %2 entries stored, %3 status reports, "
                              "%4 forwarded, %5 from other senders, %6 without a priority")
                   .arg(c.read)
                   .arg(c.stored)
                   .arg(c.statusReports)
                   .arg(c.forwarded)
                   .arg(c.filtered)
                   .arg(c.malformed));
    if (files.notWritten() > 0)
        printError(QStringLiteral("%1 entries could not be written to the log files")
                       .arg(files.notWritten()));
    return ExitOk;
}

} // namespace quendal
