#include "app/core/HeadlessReceiver.h"

#include "app/core/CDebugConsole.h"
#include "app/core/HeadlessOutput.h"
#include "app/core/LineWriter.h"
#include "app/core/ReplayTarget.h"
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
#include <QFileInfo>

#include <csignal>

namespace quendal {
namespace {

void printError(const QString& text)
{
    printToStandardError(text);
}

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
    LoadUiText();

    if (options.replayAddress) {
        if (const QString problem = replayTargetProblem(*options.replayAddress, options.replayPort);
            !problem.isEmpty()) {
            printError(QStringLiteral("cannot forward to %1:%2: %3")
                           .arg(*options.replayAddress)
                           .arg(options.replayPort)
                           .arg(problem));
            return ExitFailure;
        }
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
        const QString target =
            QStringLiteral("%1:%2").arg(*options.replayAddress).arg(options.replayPort);
        QString error;
        if (!replay.Create(*options.replayAddress, options.replayPort, &error)) {
            printError(QStringLiteral("cannot forward to %1: %2").arg(target, error));
            return ExitFailure;
        }
        replay.setFailureReport([target](const QString& reason) {
            printError(reason.isEmpty()
                           ? QStringLiteral("forwarding to %1 works again").arg(target)
                           : QStringLiteral("cannot forward to %1: %2 (counted as failed "
                                            "forwards; reception and files go on)")
                                 .arg(target, reason));
        });
        receiver.setReplay(&replay);
    }

    QByteArray line;
    QObject::connect(&receiver, &CSysLogSocket::entryStored,
                     [&](LogCategory category, const LogEntryView& entry) {
                         line.truncate(0); // keeps its capacity for the next line
                         appendEntryLine(line, category, entry);
                         output.write(line);
                     });
    QObject::connect(&wan, &WanStatus::changed, [&] {
        line.truncate(0);
        appendStatusLine(line, wan);
        output.write(line);
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
    // Lines a reader has not taken within this time are given up: the stop never waits on it.
    output.finish(std::chrono::milliseconds(400));
    printError(summaryLine(receiver.counters(), output.droppedLines()));
    return ExitOk;
}

} // namespace quendal
