#include "app/core/HeadlessOptions.h"

#include "app/core/HeadlessSettings.h"

namespace quendal {
namespace {

using namespace Qt::StringLiterals;

constexpr qsizetype kHelpColumn = 25;

// "--port N", "-d, --debug": the left column of the help.
QString optionText(const HeadlessSetting& setting)
{
    QString text = u"  "_s;
    if (setting.shortName != 0)
        text += u"-"_s + QLatin1Char(setting.shortName) + u", "_s;
    text += u"--"_s + setting.key;
    if (!setting.isFlag())
        text += u' ' + setting.valueName;
    return text;
}

// "[--port N]" or "[-d]": the setting in the usage line.
QString synopsisText(const HeadlessSetting& setting)
{
    if (setting.shortName != 0 && setting.isFlag())
        return u"[-"_s + QLatin1Char(setting.shortName) + u"]"_s;
    if (setting.isFlag())
        return u"[--"_s + setting.key + u']';
    return u"[--"_s + setting.key + u' ' + setting.valueName + u']';
}

} // namespace

QString versionLine(const QString& program)
{
    return program + u' ' + QStringLiteral(QUENDAL_VERSION);
}

QString headlessUsage(const QString& command)
{
    // The usage line, wrapped under the command.
    QString text = u"Usage: "_s + command;
    const QString indent(command.size() + 8, u' ');
    qsizetype lineStart = 0;
    for (const HeadlessSetting& setting : headlessSettings()) {
        if (setting.key == "help"_L1)
            continue;
        const QString item = synopsisText(setting);
        if (text.size() - lineStart + 1 + item.size() > 92) {
            text += u'\n';
            lineStart = text.size();
            text += indent.left(indent.size() - 1);
        }
        text += u' ' + item;
    }
    text += u"\nReceives router syslog over UDP without a window, writes each entry to its "
            u"category's\nlog file and prints it as one line: category, time, host, message, "
            u"tab-separated.\nEvery option but --config, --check-config, --version and --help "
            u"is also a key of the\nconfiguration file (port = 5514); the command line "
            u"overrides the file.\n\n"_s;
    for (const HeadlessSetting& setting : headlessSettings()) {
        QString left = optionText(setting);
        const auto lines = setting.help.tokenize(u'\n');
        bool first = true;
        for (const QLatin1StringView line : lines) {
            if (first && left.size() < kHelpColumn - 1)
                text += left.leftJustified(kHelpColumn - 1) + u' ' + line + u'\n';
            else if (first)
                text += left + u'\n' + QString(kHelpColumn, u' ') + line + u'\n';
            else
                text += QString(kHelpColumn, u' ') + line + u'\n';
            first = false;
        }
    }
    return text;
}

std::optional<HeadlessOptions> parseHeadlessOptions(const QStringList& arguments, QString* error,
                                                    const HeadlessOptions& base)
{
    HeadlessOptions options = base;
    const auto fail = [&](const QString& reason) -> std::optional<HeadlessOptions> {
        if (error)
            *error = reason;
        return std::nullopt;
    };

    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == "--headless"_L1)
            continue;
        QString name;
        std::optional<QString> inlineValue;
        if (argument.startsWith("--"_L1)) {
            name = argument.mid(2);
            if (const qsizetype eq = name.indexOf(u'='); eq > 0) {
                inlineValue = name.mid(eq + 1);
                name.truncate(eq);
            }
        } else if (argument.size() == 2 && argument.front() == u'-') {
            name = argument.mid(1);
        }
        const HeadlessSetting* setting = name.isEmpty() ? nullptr : findHeadlessSetting(name);
        // One letter after "--" is no long option, and a key is no one-letter option.
        if (setting && (argument.startsWith("--"_L1) ? name.size() == 1 : name.size() != 1))
            setting = nullptr;
        if (!setting)
            return fail(u"unknown option '"_s + shownOnOneLine(argument) + u'\'');

        const QString shownName = u"--"_s + setting->key;
        if (setting->isFlag()) {
            if (inlineValue)
                return fail(shownName + u" takes no value"_s);
            setting->store(*setting, u"yes"_s, options);
            continue;
        }
        std::optional<QString> value = inlineValue;
        if (!value && i + 1 < arguments.size())
            value = arguments.at(++i);
        if (!value) {
            // Asked of a copy: a setting that takes an empty text still needs one given.
            HeadlessOptions scratch;
            const QString needed = setting->store(*setting, QString(), scratch);
            return fail(shownName + u" needs "_s + (needed.isEmpty() ? u"a value"_s : needed));
        }
        if (const QString needed = setting->store(*setting, *value, options); !needed.isEmpty())
            return fail(shownName + u" needs "_s + needed);
    }
    return options;
}

} // namespace quendal
