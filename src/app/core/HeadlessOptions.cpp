#include "app/core/HeadlessOptions.h"

#include "app/core/Settings.h"
#include "common/core/SocketAddress.h"

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

// "ADDRESS:PORT": dotted IPv4 as it stands, IPv6 in brackets ("[::1]:514"), since its own
// colons leave the port unclear otherwise.
std::optional<std::pair<QString, quint16>> parseAddressWithPort(const QString& text)
{
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0)
        return std::nullopt;
    const QString host = text.left(colon);
    const bool bracketed = host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']'));
    if (host.contains(QLatin1Char(':')) && !bracketed)
        return std::nullopt;
    const auto port = parsePort(text.mid(colon + 1));
    const auto address = normalizedHostAddress(host);
    if (!port || !address)
        return std::nullopt;
    return std::pair{*address, *port};
}

} // namespace

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
        "  --listen ADDRESS       receive on this IPv4 or IPv6 address only (default: every\n"
        "                         interface, IPv6 and IPv4 alike)\n"
        "  --log-dir DIR          folder of the log files (default: the stored log folder,\n"
        "                         else the current directory)\n"
        "  --replay ADDRESS:PORT  forward every accepted datagram unchanged to that host\n"
        "                         (an IPv6 address in brackets: [::1]:514)\n"
        "  --host ADDRESS         accept only this sender (default: every sender)\n"
        "  -d, --debug            echo every datagram and write QuenDalSysLog.log\n"
        "  --stats SECONDS        every SECONDS, one line on standard error: entries per\n"
        "                         category, emergencies, drops and the latest link rates\n"
        "  --version              show the version\n"
        "  -h, --help             show this help\n");
    const QString indent(command.size() + 8, QLatin1Char(' '));
    return QStringLiteral("Usage: %1 [--port N] [--listen ADDRESS] [--log-dir DIR]\n"
                          "%2[--replay ADDRESS:PORT] [--host ADDRESS] [-d] [--stats SECONDS]\n"
                          "%2[--version]\n%3")
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
        } else if (name == QLatin1StringView("--listen")) {
            // Checked at start with the bind, so that every unusable address ends alike.
            const auto text = value();
            if (!text || text->isEmpty())
                return fail(QStringLiteral("--listen needs an IPv4 or IPv6 address, such as "
                                           "127.0.0.1 or ::1"));
            options.listen = *text;
        } else if (name == QLatin1StringView("--log-dir")) {
            const auto text = value();
            if (!text || text->isEmpty())
                return fail(QStringLiteral("--log-dir needs a folder"));
            options.logDir = *text;
        } else if (name == QLatin1StringView("--replay")) {
            const auto text = value();
            const auto target = text ? parseAddressWithPort(*text) : std::nullopt;
            if (!target && text && text->count(QLatin1Char(':')) > 1 &&
                !text->startsWith(QLatin1Char('[')))
                return fail(QStringLiteral("--replay needs an IPv6 address in brackets before "
                                           "its port, such as [::1]:514"));
            if (!target)
                return fail(QStringLiteral("--replay needs an address and a port, such as "
                                           "192.168.1.10:514 or [::1]:514"));
            options.replayAddress = target->first;
            options.replayPort = target->second;
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
            const auto address = text ? normalizedHostAddress(*text) : std::nullopt;
            if (!address)
                return fail(QStringLiteral("--host needs an IPv4 or IPv6 address, such as "
                                           "192.168.1.1 or ::1"));
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
