// The receiver's configuration file as an admin writes it: accepted values reach the settings,
// mistakes are named by file, line and key, the command line overrides the file, and the shipped
// default file and the manual page follow the table of settings.
#include "app/core/ConfigurationFile.h"

#include "app/core/HeadlessConfiguration.h"
#include "app/core/HeadlessSettings.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace quendal {
namespace {

using namespace Qt::StringLiterals;

TEST(ConfigurationFile, AcceptedValuesReachTheSettingsAndTheCommandLineOverridesThem)
{
    const QByteArray text = "\xEF\xBB\xBF# router logs, from an editor that marks UTF-8\r\n"
                            "; another comment\n"
                            "\n"
                            "  port = 5514  \n"
                            "listen =\n" // empty: the default
                            "log-dir = /srv/router logs/#1 %1\n"
                            "replay = [2001:db8::10]:6514\n"
                            "host=192.168.1.1\n"
                            "allow = 192.168.0.0/16, 10.0.0.0/8\n"
                            "rate-limit = 1000\n"
                            "max-senders = 500\n"
                            "debug = yes\n"
                            "stats = 60\n";
    HeadlessOptions options;
    QStringList problems;
    ASSERT_TRUE(readConfigurationText(u"a.conf"_s, text, options, &problems))
        << qPrintable(problems.join(u'\n'));
    EXPECT_EQ(options.port, 5514);
    EXPECT_FALSE(options.listen);
    EXPECT_EQ(options.logDir, QStringLiteral("/srv/router logs/#1 %1"));
    EXPECT_EQ(options.replayAddress, QStringLiteral("2001:db8::10"));
    EXPECT_EQ(options.replayPort, 6514);
    EXPECT_EQ(options.host, QStringLiteral("192.168.1.1"));
    ASSERT_EQ(options.allow.size(), 2u);
    EXPECT_EQ(options.allow[1].text(), QStringLiteral("10.0.0.0/8"));
    EXPECT_EQ(options.rateLimit, 1000);
    EXPECT_EQ(options.maxSenders, 500);
    EXPECT_TRUE(options.debug);
    EXPECT_EQ(options.statsSeconds, 60);

    // A real file under the command line: what the command line gives wins, the rest stays.
    QTemporaryDir dir;
    const QString path = dir.filePath(u"quendal-syslogd.conf"_s);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("port = 5514\nrate-limit = 50\nallow = 10.0.0.0/8\n");
    file.close();
    const QStringList arguments{u"--config"_s, path, u"--port"_s, u"6000"_s, u"--allow="_s};
    QString error;
    const auto commandLine = parseHeadlessOptions(arguments, &error);
    ASSERT_TRUE(commandLine) << qPrintable(error);
    const auto merged =
        loadHeadlessOptions(configurationSource(arguments, *commandLine, true), &problems);
    ASSERT_TRUE(merged) << qPrintable(problems.join(u'\n'));
    EXPECT_EQ(merged->port, 6000);
    EXPECT_EQ(merged->rateLimit, 50);
    EXPECT_TRUE(merged->allow.empty()); // "--allow=" lets every sender in again

    // The default file may be missing; a file named by --config may not.
    ConfigurationSource missing{{}, dir.filePath(u"none.conf"_s), true};
    EXPECT_TRUE(loadHeadlessOptions(missing, &problems));
    missing.fileMayBeMissing = false;
    EXPECT_FALSE(loadHeadlessOptions(missing, &problems));
    ASSERT_EQ(problems.size(), 1);
    EXPECT_TRUE(problems[0].startsWith(u"cannot read "_s + dir.filePath(u"none.conf"_s)))
        << qPrintable(problems[0]);
}

TEST(ConfigurationFile, EveryMistakeIsNamedByFileLineAndKey)
{
    const QByteArray text = "port = 70000\n"
                            "prot = 514\n"
                            "[receiver]\n"
                            "just words\n"
                            "allow = 10.0.0.0/8, gateway\n"
                            "debug = maybe\n"
                            "d = yes\n"
                            "config = /etc/other.conf\n"
                            "host = ::%\f1\n"
                            "stats = 0\n"
                            "rate-limit = -5\n"
                            "max-senders = 0\n"
                            "replay = 10.0.0.1\n"
                            "port = 514\n"
                            "\x1b[2J = 1\n";
    HeadlessOptions options;
    QStringList problems;
    EXPECT_FALSE(readConfigurationText(u"/etc/q.conf"_s, text, options, &problems));
    const QStringList expected{
        u"/etc/q.conf:1: port needs a port number from 0 to 65535, not '70000'"_s,
        u"/etc/q.conf:2: unknown key 'prot'"_s,
        u"/etc/q.conf:3: unknown section [receiver]"_s,
        u"/etc/q.conf:4: not a 'key = value' line: 'just words'"_s,
        u"/etc/q.conf:5: allow needs "_s,
        u"/etc/q.conf:6: debug needs yes or no, not 'maybe'"_s,
        u"/etc/q.conf:7: unknown key 'd'"_s,
        u"/etc/q.conf:8: unknown key 'config'"_s,
        u"/etc/q.conf:9: host needs an IPv4 or IPv6 address, such as 192.168.1.1 or ::1, not "
        "'::%\\x0c1'"_s,
        u"/etc/q.conf:10: stats needs a number of seconds from 1 to 86400, not '0'"_s,
        u"/etc/q.conf:11: rate-limit needs "_s,
        u"/etc/q.conf:12: max-senders needs "_s,
        u"/etc/q.conf:13: replay needs "_s,
        u"/etc/q.conf:14: port given twice (first on line 1)"_s,
        u"/etc/q.conf:15: unknown key '\\x1b[2J'"_s,
    };
    ASSERT_EQ(problems.size(), expected.size()) << qPrintable(problems.join(u'\n'));
    for (qsizetype i = 0; i < expected.size(); ++i)
        EXPECT_TRUE(problems[i].startsWith(expected[i])) << qPrintable(problems[i]);
    EXPECT_TRUE(problems[4].contains(u"gateway"_s)) << qPrintable(problems[4]);
    EXPECT_EQ(options.port, 514); // nothing bad was taken
    EXPECT_FALSE(options.host);
}

TEST(ConfigurationFile, ShippedDefaultFileAndManualPagesFollowTheTableOfSettings)
{
    const QString source = QStringLiteral(QUENDAL_SOURCE_DIR);
    const QString shipped =
        QString::fromUtf8(test::readFile(source + u"/packaging/quendal-syslogd.conf"_s));
    EXPECT_EQ(shipped, defaultConfigurationText())
        << "packaging/quendal-syslogd.conf differs from defaultConfigurationText()";

    // Every default, uncommented, is a value the parser takes.
    QString uncommented = shipped;
    uncommented.replace(QRegularExpression(u"^#([a-z-]+ =)"_s, QRegularExpression::MultilineOption),
                        u"\\1"_s);
    HeadlessOptions options;
    QStringList problems;
    EXPECT_TRUE(readConfigurationText(u"default"_s, uncommented.toUtf8(), options, &problems))
        << qPrintable(problems.join(u'\n'));
    EXPECT_EQ(options.port, HeadlessOptions().port);
    EXPECT_EQ(options.maxSenders, HeadlessOptions().maxSenders);

    const QString service =
        QString::fromUtf8(test::readFile(source + u"/docs/man/quendal-syslogd.8"_s));
    const QString window =
        QString::fromUtf8(test::readFile(source + u"/docs/man/quendal-syslog.1"_s));
    for (const HeadlessSetting& setting : headlessSettings()) {
        const QString option = u"\\-\\-"_s + QString(setting.key).replace(u'-', u"\\-"_s);
        EXPECT_TRUE(service.contains(option)) << "option " << qPrintable(option);
        if (setting.inFile()) {
            const QRegularExpression key(
                u"^\\.BI? \""_s +
                    QRegularExpression::escape(QString(setting.key).replace(u'-', u"\\-"_s)) +
                    u" = "_s,
                QRegularExpression::MultilineOption);
            EXPECT_TRUE(service.contains(key)) << "key " << qPrintable(setting.key);
        }
    }
    for (const char* named : {"\\-\\-config", "\\-\\-check\\-config", "SIGHUP",
                              "/etc/quendal\\-syslog/quendal\\-syslogd.conf"})
        EXPECT_TRUE(window.contains(QLatin1StringView(named))) << named;
}

} // namespace
} // namespace quendal
