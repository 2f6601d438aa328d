#include "history/core/HistoryOptions.h"

#include "history/core/HistoryTime.h"

#include <algorithm>

namespace quendal {
namespace {

// A category by its name or its files' extension, whatever the case.
std::optional<LogCategory> categoryNamedOrByExtension(const QString& text)
{
    if (const auto named = categoryNamed(text))
        return named;
    for (const LogCategory category : kAllCategories) {
        if (text.compare(logFileExtension(category), Qt::CaseInsensitive) == 0)
            return category;
    }
    return std::nullopt;
}

// An option as typed, safe to show on a terminal.
QString shown(const QString& text)
{
    QString out;
    for (const QChar c : text) {
        if (c == QLatin1Char('\\'))
            out += QStringLiteral("\\\\");
        else if (c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
                 c == QChar::ParagraphSeparator)
            out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

} // namespace

bool isHistorySearch(const QStringList& arguments)
{
    return std::any_of(arguments.cbegin(), arguments.cend(), [](const QString& a) {
        return a == QLatin1StringView("--search") || a.startsWith(QLatin1StringView("--search="));
    });
}

std::optional<HistoryOptions> parseHistoryOptions(const QStringList& arguments, QString* error)
{
    HistoryOptions options;
    bool searched = false;
    const auto fail = [error](const QString& reason) -> std::optional<HistoryOptions> {
        if (error)
            *error = reason;
        return std::nullopt;
    };
    // "--search --help" asks for help rather than a search for "--help" ("--search=--help" is
    // that search).
    if (arguments.contains(QLatin1StringView("--help")) ||
        arguments.contains(QLatin1StringView("-h"))) {
        options.help = true;
        return options;
    }
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
        const auto time = [&](std::optional<qint64>* into) {
            const auto text = value();
            *into = text ? parseSearchTime(*text) : std::nullopt;
            return into->has_value();
        };

        if (name == QLatin1StringView("--search")) {
            const auto text = value();
            if (!text)
                return fail(QStringLiteral("--search needs a text (\"\" for every entry)"));
            options.query.text = *text;
            searched = true;
        } else if (name == QLatin1StringView("--regex")) {
            options.query.regularExpression = true;
        } else if (name == QLatin1StringView("--match-case")) {
            options.query.caseSensitive = true;
        } else if (name == QLatin1StringView("--emergency")) {
            options.query.emergenciesOnly = true;
        } else if (name == QLatin1StringView("--json")) {
            options.json = true;
        } else if (name == QLatin1StringView("-h") || name == QLatin1StringView("--help")) {
            options.help = true;
        } else if (name == QLatin1StringView("--host")) {
            const auto text = value();
            if (!text || text->isEmpty())
                return fail(QStringLiteral("--host needs a part of a host name or address"));
            options.query.host = *text;
        } else if (name == QLatin1StringView("--category")) {
            const auto text = value();
            const auto category = text ? categoryNamedOrByExtension(*text) : std::nullopt;
            if (!category)
                return fail(QStringLiteral("--category needs FireWall, VPN, UserAccess, Call or "
                                           "Wan (or flg, vlg, ulg, clg, wlg)"));
            if (!options.query.categories.contains(*category))
                options.query.categories.append(*category);
        } else if (name == QLatin1StringView("--since")) {
            if (!time(&options.query.sinceMs))
                return fail(QStringLiteral("--since needs a time as YYYY-MM-DD HH:MM[:SS]"));
        } else if (name == QLatin1StringView("--until")) {
            if (!time(&options.query.untilMs))
                return fail(QStringLiteral("--until needs a time as YYYY-MM-DD HH:MM[:SS]"));
        } else if (name == QLatin1StringView("--log-dir")) {
            const auto text = value();
            if (!text || text->isEmpty())
                return fail(QStringLiteral("--log-dir needs a folder"));
            options.logDir = *text;
        } else {
            return fail(QStringLiteral("unknown option '%1'").arg(shown(name)));
        }
    }
    if (!searched && !options.help)
        return fail(QStringLiteral("--search needs a text (\"\" for every entry)"));
    if (options.query.sinceMs && options.query.untilMs &&
        *options.query.sinceMs > *options.query.untilMs)
        return fail(QStringLiteral("--since is later than --until"));
    return options;
}

QString historyUsage()
{
    return QStringLiteral(
        "Usage: quendal-syslog --search TEXT [--regex] [--match-case] [--host H]\n"
        "                      [--category C]... [--emergency] [--since TIME] [--until TIME]\n"
        "                      [--log-dir DIR] [--json]\n"
        "Searches the log files and the ones logrotate made of them (NAME.1, NAME.2.gz, ...),\n"
        "newest first, and prints each entry found as a tab-separated line: category, Time,\n"
        "Host, Message (escaped; an emergency's Time in brackets).\n"
        "  --search TEXT      in Time, Host or Message, ignoring case (\"\" for every entry)\n"
        "  --regex            TEXT is a regular expression (Perl-compatible)\n"
        "  --match-case       do not ignore case\n"
        "  --host H           only entries whose Host holds H (ignoring case)\n"
        "  --category C       FireWall, VPN, UserAccess, Call or Wan; may be repeated\n"
        "  --emergency        only emergencies (severity 0)\n"
        "  --since, --until   TIME as YYYY-MM-DD HH:MM[:SS], local time, both inclusive; a\n"
        "                     classic Time (no year) is dated by its file's modification time\n"
        "  --log-dir DIR      folder of the log files (default: the stored log folder, else\n"
        "                     the current directory)\n"
        "  --json             one JSON object per line: category, time, dated, host, message,\n"
        "                     emergency, file, line\n"
        "Exit status: 0 when entries were found, 1 when none, 2 for a bad option.\n");
}

} // namespace quendal
