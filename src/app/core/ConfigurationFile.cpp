#include "app/core/ConfigurationFile.h"

#include "app/core/HeadlessSettings.h"

#include <QFile>
#include <QRegularExpression>

#include <map>

namespace quendal {
namespace {

using namespace Qt::StringLiterals;

// A configuration file is a few hundred bytes; far more is not one.
constexpr qint64 kMaxFileBytes = 1024 * 1024;

// "[forward central]": the section of one forwarding target, its name; nullopt for any other
// section.
std::optional<QString> forwardSectionName(const QString& line)
{
    static const QRegularExpression form(u"^\\[\\s*forward\\s+([^\\]]*\\S)\\s*\\]$"_s);
    const QRegularExpressionMatch match = form.match(line);
    if (!match.hasMatch())
        return std::nullopt;
    return match.captured(1);
}

} // namespace

bool readConfigurationText(const QString& path, QByteArrayView text, HeadlessOptions& into,
                           QStringList* problems)
{
    const qsizetype problemsBefore = problems->size();
    const auto problem = [&](int line, const QString& what) {
        *problems << shownOnOneLine(path) + u':' + QString::number(line) + u": "_s + what;
    };
    std::map<QString, int> seenOn; // key -> line
    // The [forward NAME] section the lines belong to, by its place in into.forward.targets.
    qsizetype section = -1; // none
    std::map<QString, int> sectionSeenOn;
    std::map<QString, int> sectionsOn; // name -> line
    int number = 0;
    // An editor's byte order mark is no part of the first key; CR LF lines lose their CR when
    // trimmed.
    if (text.startsWith("\xEF\xBB\xBF"))
        text = text.sliced(3);
    for (const QStringView rawLine : QString::fromUtf8(text).tokenize(u'\n')) {
        ++number;
        const QString line = rawLine.trimmed().toString();
        if (line.isEmpty() || line.startsWith(u'#') || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[')) {
            const std::optional<QString> name = forwardSectionName(line);
            if (!name) {
                problem(number, u"unknown section "_s + shownOnOneLine(line));
                section = -1; // its lines would otherwise land in the section before it
                continue;
            }
            if (const auto [at, added] = sectionsOn.emplace(*name, number); !added) {
                problem(number, u"section "_s + shownOnOneLine(line) +
                                    u" given twice (first on line "_s +
                                    QString::number(at->second) + u')');
                section = -1;
                continue;
            }
            section = qsizetype(into.forward.targets.size());
            ForwardEntry entry;
            entry.name = *name;
            into.forward.targets.push_back(std::move(entry));
            sectionSeenOn.clear();
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0) {
            problem(number, u"not a 'key = value' line: '"_s + shownOnOneLine(line) + u'\'');
            continue;
        }
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        if (section >= 0) {
            if (const auto [at, added] = sectionSeenOn.emplace(key, number); !added) {
                problem(number, shownOnOneLine(key) + u" given twice (first on line "_s +
                                    QString::number(at->second) + u')');
                continue;
            }
            ForwardEntry& entry = into.forward.targets[size_t(section)];
            const QString needed = storeForwardSectionValue(entry, key, value);
            if (needed == u"unknown"_s)
                problem(number,
                        u"unknown key '"_s + shownOnOneLine(key) + u"' in a forward section"_s);
            else if (!needed.isEmpty())
                problem(number, shownOnOneLine(key) + u" needs "_s + needed + u", not '"_s +
                                    shownOnOneLine(value) + u'\'');
            continue;
        }
        const HeadlessSetting* setting = findHeadlessSetting(key);
        if (!setting || !setting->inFile() || key.size() == 1) {
            problem(number, u"unknown key '"_s + shownOnOneLine(key) + u'\'');
            continue;
        }
        if (const auto [at, added] = seenOn.emplace(key, number); !added) {
            problem(number, shownOnOneLine(key) + u" given twice (first on line "_s +
                                QString::number(at->second) + u')');
            continue;
        }
        if (value.isEmpty())
            continue; // the default
        if (const QString needed = setting->store(*setting, value, into); !needed.isEmpty())
            problem(number, shownOnOneLine(key) + u" needs "_s + needed + u", not '"_s +
                                shownOnOneLine(value) + u'\'');
    }
    return problems->size() == problemsBefore;
}

bool readConfigurationFile(const QString& path, HeadlessOptions& into, QStringList* problems)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *problems << u"cannot read "_s + shownOnOneLine(path) + u": "_s + file.errorString();
        return false;
    }
    const QByteArray text = file.read(kMaxFileBytes + 1);
    if (text.size() > kMaxFileBytes) {
        *problems << shownOnOneLine(path) + u": larger than a configuration file can be"_s;
        return false;
    }
    return readConfigurationText(path, text, into, problems);
}

QString defaultConfigurationText()
{
    QString text =
        u"# Settings of quendal-syslogd (and of quendal-syslog --headless), read at start and\n"
        u"# on SIGHUP (systemctl reload quendal-syslogd). Every key is also a command-line\n"
        u"# option of the same name (port = 5514 is --port 5514), which overrides the file.\n"
        u"# A line is \"key = value\" or a comment starting with # or ;. Check a change with\n"
        u"#   quendal-syslogd --check-config\n"
        u"# before applying it. See quendal-syslogd(8).\n"_s;
    for (const HeadlessSetting& setting : headlessSettings()) {
        if (!setting.inFile())
            continue;
        text += u'\n';
        for (const QLatin1StringView line : setting.help.tokenize(u'\n'))
            text += u"# "_s + line + u'\n';
        text += u'#' + setting.key + u" ="_s;
        if (!setting.defaultText.isEmpty())
            text += u' ' + setting.defaultText;
        text += u'\n';
    }
    text += u"\n"
            u"# A collector with settings of its own: one section per target, after the keys\n"
            u"# above. ca, cert, key, format and queue-max-mb default to the forward-* and\n"
            u"# queue-* keys.\n"
            u"#   [forward central]\n"
            u"#   url = tls://collector.example:6514\n"
            u"#   format = rfc5424\n"
            u"#   ca = /etc/quendal-syslog/collector-ca.pem\n"
            u"#   queue-max-mb = 1024\n"_s;
    return text;
}

} // namespace quendal
