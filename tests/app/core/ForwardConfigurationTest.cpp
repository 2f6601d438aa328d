// Collectors as an admin configures them: --forward URLs and [forward NAME] sections, their
// defaults from the forward-* keys, and every mistake named by line.
#include "app/core/ConfigurationFile.h"
#include "app/core/HeadlessConfiguration.h"

#include <gtest/gtest.h>

namespace quendal {
namespace {

using namespace Qt::StringLiterals;

TEST(ForwardConfiguration, UrlsTakeTheThreeSchemesWithBracketedIpv6Only)
{
    const auto url = parseForwardUrl(u"TLS://[::1]:6514"_s, nullptr);
    ASSERT_TRUE(url);
    EXPECT_EQ(url->scheme, ForwardScheme::Tls);
    EXPECT_EQ(url->host, u"::1"_s);
    EXPECT_EQ(url->text(), u"tls://[::1]:6514"_s);
    EXPECT_EQ(parseForwardUrl(u"udp://collector.example:514"_s, nullptr)->host,
              u"collector.example"_s);
    for (const QString& bad :
         {u"collector:514"_s, u"http://c:80"_s, u"tcp://::1:514"_s, u"tcp://c:0"_s,
          u"tcp://c:65536"_s, u"tcp://c:+5"_s, u"tcp://:5"_s, u"tcp://a/b:5"_s, u"tcp://[c]:5"_s})
        EXPECT_FALSE(parseForwardUrl(bad, nullptr)) << qPrintable(bad);
    // A target's name never reaches outside the queue folder.
    EXPECT_EQ(queueFolderName(u"../x/ y"_s), u"___x__y"_s);
}

TEST(ForwardConfiguration, SectionsAndUrlsBecomeTargetsWithTheGlobalDefaults)
{
    const QByteArray text = "forward-format = as-received\n"
                            "queue-max-mb = 10\n"
                            "queue-sync = every-batch\n"
                            "queue-dir = /var/q\n"
                            "[forward central]\n"
                            "url = tls://collector.example:6514\n"
                            "format = rfc5424\n"
                            "queue-max-mb = 2\n"
                            "[ forward backup ]\n"
                            "url = tcp://10.0.0.2:514\n";
    HeadlessOptions fromFile;
    QStringList problems;
    ASSERT_TRUE(readConfigurationText(u"f.conf"_s, text, fromFile, &problems))
        << qPrintable(problems.join(u'\n'));
    QString error;
    const auto options =
        parseHeadlessOptions({u"--forward"_s, u"udp://[::1]:5514"_s}, &error, fromFile);
    ASSERT_TRUE(options) << qPrintable(error);
    const auto settings = forwardSettingsFor(options->forward, u"/logs"_s, &error);
    ASSERT_TRUE(settings) << qPrintable(error);
    EXPECT_EQ(settings->queueFolder, u"/var/q"_s);
    EXPECT_EQ(settings->sync, DiskQueueOptions::Sync::EveryBatch);
    ASSERT_EQ(settings->targets.size(), 3u);
    const ForwardTarget& central = settings->targets[0];
    EXPECT_EQ(central.name, u"central"_s);
    EXPECT_EQ(central.format, ForwardFormat::Rfc5424);
    EXPECT_EQ(central.queueMaxBytes, 2 * 1024 * 1024);
    EXPECT_EQ(settings->targets[1].name, u"backup"_s);
    EXPECT_EQ(settings->targets[1].format, ForwardFormat::AsReceived);
    EXPECT_EQ(settings->targets[1].queueMaxBytes, 10 * 1024 * 1024);
    EXPECT_EQ(settings->targets[2].name, u"udp://[::1]:5514"_s);

    // Without a queue-dir: the log folder's queue/.
    HeadlessOptions plain;
    plain.forward.targets = options->forward.targets;
    EXPECT_EQ(forwardSettingsFor(plain.forward, u"/logs"_s, &error)->queueFolder, u"/logs/queue"_s);
}

TEST(ForwardConfiguration, MistakesAreNamedByLine)
{
    const QByteArray text = "[forward a]\n"
                            "url = tcp://c\n"
                            "colour = red\n"
                            "url = tcp://c:2\n"
                            "[forward a]\n"
                            "[other]\n"
                            "queue-sync = always\n";
    HeadlessOptions options;
    QStringList problems;
    EXPECT_FALSE(readConfigurationText(u"f.conf"_s, text, options, &problems));
    const QStringList expected{
        u"f.conf:2: url needs a host and a port"_s,
        u"f.conf:3: unknown key 'colour' in a forward section"_s,
        u"f.conf:4: url given twice (first on line 2)"_s,
        u"f.conf:5: section [forward a] given twice (first on line 1)"_s,
        u"f.conf:6: unknown section [other]"_s,
        u"f.conf:7: queue-sync needs interval, every-batch or never"_s,
    };
    ASSERT_EQ(problems.size(), expected.size()) << qPrintable(problems.join(u'\n'));
    for (qsizetype i = 0; i < expected.size(); ++i)
        EXPECT_TRUE(problems[i].startsWith(expected[i])) << qPrintable(problems[i]);

    // A section without a URL, and a certificate without its key, stop the start.
    ForwardOptions forward;
    forward.targets.emplace_back().name = u"empty"_s;
    QString error;
    EXPECT_FALSE(forwardSettingsFor(forward, u"/logs"_s, &error));
    EXPECT_EQ(error, u"cannot forward to empty: its section has no url"_s);
    forward.targets[0].url = parseForwardUrl(u"tls://c:1"_s, nullptr);
    forward.cert = u"/etc/relay.pem"_s;
    EXPECT_FALSE(forwardSettingsFor(forward, u"/logs"_s, &error));
    EXPECT_TRUE(error.contains(u"both a cert and a key"_s)) << qPrintable(error);
}

} // namespace
} // namespace quendal
