#include "app/core/CDebugConsole.h"
#include "app/core/FollowMain.h"
#include "app/core/HeadlessMain.h"
#include "app/core/HeadlessOptions.h"
#include "app/core/HeadlessReceiver.h"
#include "app/core/InstanceActivation.h"
#include "app/core/SettingsStore.h"
#include "app/core/SingleInstanceLock.h"
#include "app/core/StandardDescriptors.h"
#include "app/gui/AttachOffer.h"
#include "app/gui/CSysLogDlg.h"
#include "common/core/UdpSocket.h"
#include "common/core/UiText.h"
#include "history/core/HistoryCommand.h"
#include "history/core/HistoryOptions.h"
#include "netinfo/core/PortDefinitions.h"
#include "viewer/core/ViewerClient.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QMessageBox>

#include <cstdio>

using namespace quendal;

namespace {

// The command line as given, program path included.
QStringList rawArguments(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

bool displayAvailable()
{
    // A platform chosen explicitly (offscreen, for instance) counts as a display.
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
           !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

bool wantsHelp(const QStringList& arguments)
{
    return arguments.contains(QStringLiteral("--help")) || arguments.contains(QStringLiteral("-h"));
}

int runWithoutWindow(int argc, char** argv)
{
    return headlessMain(argc, argv, QStringLiteral("quendal-syslog"),
                        QStringLiteral("quendal-syslog --headless"));
}

void printUsage()
{
    std::fputs("Usage: quendal-syslog [-d] [--router-search ADDRESS[:PORT]] [--attach [PATH]]\n"
               "Opens the receiver's window; -d echoes every datagram on standard output and\n"
               "into QuenDalSysLog.log. --router-search sends the Client page's router search\n"
               "to ADDRESS (default 255.255.255.255, port 56415), for instance a directed\n"
               "broadcast such as 192.168.1.255. Without a display, or with --headless, it runs\n"
               "the receiver without a window. With --search it searches the log files (see\n"
               "--search --help). --attach shows the entries of the running service (its viewer\n"
               "socket, /run/quendal-syslog/viewer.sock unless PATH names another) instead of\n"
               "receiving; --follow prints them (see --follow --help). Without a window:\n\n",
               stdout);
    std::fputs(qPrintable(headlessUsage()), stdout);
}

int runWindow(int argc, char** argv)
{
    // Read before Qt takes its own options out of the command line.
    const bool debug = commandLineHasDebugSwitch(rawArguments(argc, argv));
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quendal-syslog"));
    QGuiApplication::setApplicationDisplayName(QStringLiteral("QuenDalSysLog"));
    QGuiApplication::setDesktopFileName(QStringLiteral("quendal-syslog"));

    QStringList ignored = QCoreApplication::arguments().mid(1);
    QString optionError;
    std::optional<RouterSearchTarget> routerSearch;
    if (!takeRouterSearchOption(ignored, routerSearch, &optionError)) {
        std::fprintf(stderr, "quendal-syslog: %s\n", qPrintable(optionError));
        return ExitBadOption;
    }
    ignored.removeAll(QStringLiteral("-d"));
    ignored.removeAll(QStringLiteral("--debug"));
    // --attach [PATH]: the window shows a running service's entries instead of receiving.
    const bool noOptions = QCoreApplication::arguments().size() == 1;
    std::optional<QString> attachPath;
    if (const qsizetype at = ignored.indexOf(QStringLiteral("--attach")); at >= 0) {
        ignored.removeAt(at);
        attachPath = at < ignored.size() && !ignored[at].startsWith(QLatin1Char('-'))
                         ? ignored.takeAt(at)
                         : defaultViewerSocketPath();
    }
    if (!ignored.isEmpty())
        std::fprintf(stderr,
                     "quendal-syslog: the window takes its settings in its own dialog; ignoring "
                     "%s (they apply with --headless)\n",
                     qPrintable(ignored.join(QLatin1Char(' '))));

    LoadUiText();
    const PortDefinitions portDefinitions = LoadPortDefinitions();
    if (!canCreateUdpSocket()) {
        // Always the built-in English text: a translation may be what failed to load.
        QMessageBox::critical(nullptr, BuiltinUiText(UiTextId::ProgramName),
                              BuiltinUiText(UiTextId::SocketsInitFailed));
        return 1;
    }

    // Checked before the window opens the debug console, so that a second start never replaces
    // the running instance's debug log.
    SingleInstanceLock lock;
    QString error;
    switch (lock.tryLock(&error)) {
    case SingleInstanceLock::Result::Acquired:
        break;
    case SingleInstanceLock::Result::HeldElsewhere:
        // The running instance stays as it is, only its window comes to the front.
        if (InstanceActivation::askRunningInstanceToShow())
            std::fputs("quendal-syslog: already running: its window was brought to the front\n",
                       stderr);
        else
            std::fputs("quendal-syslog: already running, but its window could not be reached\n",
                       stderr);
        return 1;
    case SingleInstanceLock::Result::Unavailable:
        std::fprintf(stderr, "quendal-syslog: %s; starting anyway\n", qPrintable(error));
        break;
    }

    MainWindowOptions options;
    options.debugConsole = debug;
    options.routerSearch = routerSearch.value_or(RouterSearchTarget::limitedBroadcast());
    options.portDefinitions = portDefinitions;
    CSysLogDlg window(options);
    InstanceActivation activation;
    if (QString activationError; !activation.listen(&activationError))
        std::fprintf(stderr, "quendal-syslog: a second start cannot reach this window: %s\n",
                     qPrintable(activationError));
    QObject::connect(&activation, &InstanceActivation::showRequested, &window,
                     &CSysLogDlg::restoreFromTray);
    // The window may sit hidden in the notification area while a dialog of its own closes; only
    // closing the window itself ends the program.
    QApplication::setQuitOnLastWindowClosed(false);
    QObject::connect(&window, &CSysLogDlg::closed, qApp, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    SettingsStore store;
    if (!attachPath && noOptions && wantsToAttach(&window, store, defaultViewerSocketPath()))
        attachPath = defaultViewerSocketPath();
    if (attachPath)
        window.attachTo(*attachPath);
    else
        window.startUp();
    return QApplication::exec();
}

} // namespace

int main(int argc, char** argv)
{
    // Before anything opens a descriptor, so that none can become standard output.
    reopenClosedStandardDescriptors();
    ignoreBrokenPipe();
    const QStringList arguments = rawArguments(argc, argv).mid(1);
    // A search of the log files: no window, no receiver, no instance lock.
    if (isHistorySearch(arguments))
        return runHistorySearch(arguments, SettingsStore().logPath().value_or(QDir::currentPath()));
    if (isFollow(arguments)) {
        if (wantsHelp(arguments)) {
            std::fputs(qPrintable(followUsage()), stdout);
            return ExitOk;
        }
        return followMain(argc, argv);
    }
    if (wantsHelp(arguments)) {
        printUsage();
        return ExitOk;
    }
    if (arguments.contains(QStringLiteral("--version"))) {
        std::printf("%s\n", qPrintable(versionLine(QStringLiteral("quendal-syslog"))));
        return ExitOk;
    }
    if (arguments.contains(QStringLiteral("--headless")))
        return runWithoutWindow(argc, argv);
    if (!displayAvailable()) {
        std::fputs("quendal-syslog: no display (DISPLAY and WAYLAND_DISPLAY are unset): running "
                   "the receiver without a window\n",
                   stderr);
        return runWithoutWindow(argc, argv);
    }
    std::fputs("quendal-syslog: display found: opening the window\n", stderr);
    return runWindow(argc, argv);
}
