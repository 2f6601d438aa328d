#include "app/core/ConfigurationFile.h"

#include "app/core/HeadlessSettings.h"

#include <QFile>

#include <map>

namespace quendal {
namespace {

using namespace Qt::StringLiterals;

// A configuration file is a few hundred bytes; far more is not one.
constexpr qint64 kMaxFileBytes = 1024 * 1024;

} // namespace

bool readConfigurationText(const QString& path, QByteArrayView text, HeadlessOptions& into,
                           QStringList* problems)
{
    const qsizetype problemsBefore = problems->size();
    const auto problem = [&](int line, const QString& what) {
        *problems << shownOnOneLine(path) + u':' + QString::number(line) + u": "_s + what;
    };
    std::map<QString, int> seenOn; // key -> line
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
            problem(number, u"unknown section "_s + shownOnOneLine(line));
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0) {
            problem(number, u"not a 'key = value' line: '"_s + shownOnOneLine(line) + u'\'');
            continue;
        }
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        const HeadlessSetting* setting = findHeadlessSetting(key);
        if (!setting || !setting->inFile() || key.size() == 1) {
            problem(number, u"unknown key '"_s + shownOnOneLine(key) + u'\'');
            continue;
        }
        if (const auto [at, added] = seenOn.emplace(key, number); !added) {
            problem(number,
                    key + u" given twice (first on line "_s + QString::number(at->second) + u')');
            continue;
        }
        if (value.isEmpty())
            continue; // the default
        if (const QString needed = setting->store(*setting, value, into); !needed.isEmpty())
            problem(number,
                    key + u" needs "_s + needed + u", not '"_s + shownOnOneLine(value) + u'\'');
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
    return text;
}

} // namespace quendal
