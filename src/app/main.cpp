#include "app/core/HeadlessOptions.h"
#include "app/core/HeadlessReceiver.h"

#include <QCoreApplication>

#include <cstdio>

using namespace quendal;

int main(int argc, char** argv)
{
    // Without a window nothing needs GLib's event loop, and Qt's own one takes in datagrams
    // faster under a flood.
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "--headless") == 0)
            qputenv("QT_NO_GLIB", "1");
    }
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quendal-syslog"));
    const QStringList arguments = QCoreApplication::arguments();

    if (!wantsHeadless(arguments)) {
        if (arguments.contains(QStringLiteral("--help")) ||
            arguments.contains(QStringLiteral("-h"))) {
            std::fputs(qPrintable(headlessUsage()), stdout);
            return ExitOk;
        }
        std::fputs("quendal-syslog: this build has no window yet; run it with --headless\n",
                   stderr);
        return ExitBadOption;
    }

    QString error;
    const auto options = parseHeadlessOptions(arguments.mid(1), &error);
    if (!options) {
        std::fprintf(stderr, "quendal-syslog: %s (see --help)\n", qPrintable(error));
        return ExitBadOption;
    }
    if (options->help) {
        std::fputs(qPrintable(headlessUsage()), stdout);
        return ExitOk;
    }
    return runHeadless(*options);
}
