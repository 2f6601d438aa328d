#include "app/core/HeadlessOptions.h"

#include "app/core/Settings.h"

namespace quendal {
namespace {

constexpr int kMaxStatsSeconds = 24 * 60 * 60;

std::optional<quint16> parsePort(const QString& text)
{
    if (text.isEmpty())
        return std::nullopt;
    const auto port = parsePortText(text);
    if (!port)
        return std::nullopt;
    return quint16(*port);
}

} // namespace

bool wantsHeadless(const QStringList& arguments)
{
    return arguments.mid(1).contains(QStringLiteral("--headless"));
}

QString versionLine(const QString& program)
{
    return QStringLiteral("%1 %2").arg(program, QStringLiteral(QUENDAL_VERSION));
}

QString headlessUsage(const QString& command)
{
    static const QLatin1StringView description(
        "Receives router syslog over UDP without a window, writes each entry to its category's\n"
        "log file and prints it as one line: category, time, host, message, tab-separated.\n"
        "\n"
        "  --port N               UDP port to receive on (default 514)\n"
        "  --log-dir DIR          folder of the log files (default: the stored log folder,\n"
        "                         else the current directory)\n"
        "  --replay ADDRESS:PORT  forward every accepted datagram unchanged to that host\n"
        "  --host ADDRESS         accept only this sender (default: every sender)\n"
        "  -d, --debug            echo every datagram and write QuenDalSysLog.log\n"
        "  --stats SECONDS        every SECONDS, one line on standard error: entries per\n"
        "                         category, emergencies, drops and the latest link rates\n"
        "  --version              show the version\n"
        "  -h, --help             show this help\n");
    const QString indent(command.size() + 8, QLatin1Char(' '));
    return QStringLiteral("Usage: %1 [--port N] [--log-dir DIR] [--replay ADDRESS:PORT]\n"
                          "%2[--host ADDRESS] [-d] [--stats SECONDS] [--version]\n%3")
        .arg(command, indent, description);
}

std::optional<HeadlessOptions> parseHeadlessOptions(const QStringList& arguments, QString* error)
{
    HeadlessOptions options;
    const auto fail = [&](const QString& reason) -> std::optional<HeadlessOptions> {
        if (error)
            *error = reason;
        return std::nullopt;
    };

    for (qsizetype i = 0; i < arguments.size(); ++i) {
        QString name = arguments.at(i);
        std::optional<QString> inlineValue;
        if (name.startsWith(QLatin1StringView("--"))) {
            if (const qsizetype eq = name.indexOf(QLatin1Char('=')); eq > 0) {
                inlineValue = name.mid(eq + 1);
                name = name.left(eq);
            }
        }
        const auto value = [&]() -> std::optional<QString> {
            if (inlineValue)
                return inlineValue;
            if (i + 1 < arguments.size())
                return arguments.at(++i);
            return std::nullopt;
        };

        if (name == QLatin1StringView("--headless")) {
            continue;
        } else if (name == QLatin1StringView("-d") || name == QLatin1StringView("--debug")) {
            options.debug = true;
        } else if (name == QLatin1StringView("-h") || name == QLatin1StringView("--help")) {
            options.help = true;
        } else if (name == QLatin1StringView("--version")) {
            options.version = true;
        } else if (name == QLatin1StringView("--port")) {
            const auto text = value();
            const auto port = text ? parsePort(*text) : std::nullopt;
            if (!port)
                return fail(QStringLiteral("--port needs a port number from 0 to 65535"));
            options.port = *port;
        } else if (name == QLatin1StringView("--log-dir")) {
            const auto text = value();
            if (!text || text->isEmpty())
                return fail(QStringLiteral("--log-dir needs a folder"));
            options.logDir = *text;
        } else if (name == QLatin1StringView("--replay")) {
            const auto text = value();
            const qsizetype colon = text ? text->lastIndexOf(QLatin1Char(':')) : -1;
            const auto port = colon > 0 ? parsePort(text->mid(colon + 1)) : std::nullopt;
            const auto address = colon > 0 ? parseIpv4Address(text->left(colon)) : std::nullopt;
            if (!port || !address)
                return fail(QStringLiteral("--replay needs an IPv4 address and a port, such as "
                                           "192.168.1.10:514"));
            options.replayAddress = *address;
            options.replayPort = *port;
        } else if (name == QLatin1StringView("--stats")) {
            const auto text = value();
            bool ok = false;
            const int seconds = text ? text->toInt(&ok) : 0;
            if (!ok || seconds < 1 || seconds > kMaxStatsSeconds)
                return fail(QStringLiteral("--stats needs a number of seconds from 1 to %1")
                                .arg(kMaxStatsSeconds));
            options.statsSeconds = seconds;
        } else if (name == QLatin1StringView("--host")) {
            const auto text = value();
            const auto address = text ? parseIpv4Address(*text) : std::nullopt;
            if (!address)
                return fail(QStringLiteral("--host needs an IPv4 address, such as 192.168.1.1"));
            options.host = *address;
        } else {
            // The reason stays one line on a terminal: control characters (line feeds and C1
            // codes too), line separators and backslashes of the option are escaped.
            QString shown;
            for (const QChar c : name) {
                if (c == QLatin1Char('\\'))
                    shown += QStringLiteral("\\\\");
                else if (c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
                         c == QChar::ParagraphSeparator)
                    shown += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
                else
                    shown += c;
            }
            return fail(QStringLiteral("unknown option '%1'").arg(shown));
        }
    }
    return options;
}

} // namespace quendal
