#include "app/core/HeadlessMain.h"

#include "app/core/HeadlessOptions.h"
#include "app/core/HeadlessReceiver.h"
#include "app/core/StandardDescriptors.h"
#include "netinfo/core/RouterSearch.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <csignal>
#include <cstdio>

namespace quendal {

bool takeRouterSearchOption(QStringList& arguments, std::optional<RouterSearchTarget>& target,
                            QString* error)
{
    static const QString name = QStringLiteral("--router-search");
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        QString value;
        if (arguments[i] == name && i + 1 < arguments.size()) {
            value = arguments.takeAt(i + 1);
        } else if (arguments[i].startsWith(name + QLatin1Char('='))) {
            value = arguments[i].mid(name.size() + 1);
        } else if (arguments[i] == name) {
            *error = QStringLiteral("--router-search needs ADDRESS[:PORT]");
            return false;
        } else {
            continue;
        }
        arguments.removeAt(i);
        target = parseRouterSearchTarget(value);
        if (!target) {
            *error = QStringLiteral("--router-search takes IPV4ADDRESS[:PORT], not %1").arg(value);
            return false;
        }
        --i;
    }
    return true;
}

int headlessMain(int argc, char** argv, const QString& program, const QString& usageCommand)
{
    ignoreBrokenPipe();
    // SIGHUP is the service's reload request (reopening the log files), never a reason to end:
    // until something handles it, it is ignored.
    ::signal(SIGHUP, SIG_IGN);
    // Without a window nothing needs GLib's event loop, and Qt's own one takes in datagrams
    // faster under a flood.
    qputenv("QT_NO_GLIB", "1");
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(program);
    QCoreApplication::setApplicationVersion(QStringLiteral(QUENDAL_VERSION));

    QString error;
    // Accepted for a command line shared with the window; without one there is no search.
    QStringList arguments = QCoreApplication::arguments().mid(1);
    std::optional<HeadlessOptions> commandLine;
    std::optional<RouterSearchTarget> unusedSearch;
    if (takeRouterSearchOption(arguments, unusedSearch, &error))
        commandLine = parseHeadlessOptions(arguments, &error);
    if (!commandLine) {
        std::fprintf(stderr, "%s: %s (see --help)\n", qPrintable(program), qPrintable(error));
        return ExitBadOption;
    }
    if (commandLine->help) {
        std::fputs(qPrintable(headlessUsage(usageCommand)), stdout);
        return ExitOk;
    }
    if (commandLine->version) {
        std::printf("%s\n", qPrintable(versionLine(program)));
        return ExitOk;
    }

    // The window's binary falls back to running without a window on a desktop without a
    // display; a service's file has no business there, so it reads it only with --headless.
    const bool defaultFileApplies = program != QLatin1StringView("quendal-syslog") ||
                                    arguments.contains(QLatin1StringView("--headless"));
    const ConfigurationSource source =
        configurationSource(arguments, *commandLine, defaultFileApplies);
    QStringList problems;
    std::optional<HeadlessOptions> options = loadHeadlessOptions(source, &problems);
    QString problem;
    if (options && commandLine->checkConfig && !receptionSettingsFor(*options, &problem))
        problems << problem;
    for (const QString& line : problems)
        std::fprintf(stderr, "%s: %s\n", qPrintable(program), qPrintable(line));
    if (!problems.isEmpty())
        return ExitBadOption;
    if (commandLine->checkConfig) {
        QString read = QStringLiteral("the options alone");
        if (source.file && QFileInfo::exists(*source.file))
            read = *source.file + QStringLiteral(" and the options");
        else if (source.file)
            read = QStringLiteral("no ") + *source.file + QStringLiteral(", the options alone");
        std::printf("%s: configuration ok (%s)\n", qPrintable(program), qPrintable(read));
        return ExitOk;
    }
    return runHeadless(*options, source);
}

} // namespace quendal
