// Faults that fuzzing the option and address parsers found: texts garbled by "%1" in user text,
// white space taken into an interface's name, a value given to a flag, and multicast Replay
// targets written as IPv4.
#include "app/core/HeadlessOptions.h"
#include "app/core/HeadlessProcess.h"
#include "app/core/ReplayTarget.h"
#include "common/core/SocketAddress.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace quendal {
namespace {

using namespace Qt::StringLiterals;

TEST(OptionParserFaults, PercentDigitsInAddressesAndPathsAreShownAsTyped)
{
    EXPECT_EQ(addressWithPort(u"fe80::1%1"_s, 5514), u"[fe80::1%1]:5514"_s);
    EXPECT_EQ(addressWithPort(u"fe80::1%2"_s, 1), u"[fe80::1%2]:1"_s);
    EXPECT_EQ(addressWithPort(u"10.0.0.1"_s, 514), u"10.0.0.1:514"_s);

    // The start-up line names a log folder holding "%1" and "%2" as it is.
    QTemporaryDir dir;
    const QString folder = dir.filePath(u"logs %1 %2"_s);
    ASSERT_TRUE(QDir().mkpath(folder));
    const quint16 port = test::freeUdpPort();
    test::Headless receiver({u"--port"_s, QString::number(port), u"--log-dir"_s, folder,
                             u"--replay"_s, u"127.0.0.1:9"_s},
                            dir.path(), true);
    ASSERT_TRUE(receiver.waitUntilReceiving()) << receiver.errors().constData();
    EXPECT_TRUE(receiver.errors().contains("log files in " + folder.toUtf8() +
                                           ", forwarding to 127.0.0.1:9"))
        << receiver.errors().constData();
    EXPECT_EQ(receiver.stop(), 0);
}

TEST(OptionParserFaults, FlagsTakeNoValueAndScopesNoWhiteSpace)
{
    QString error;
    for (const QString& flag :
         {u"--debug=no"_s, u"--debug="_s, u"--check-config=yes"_s, u"--version=2"_s}) {
        EXPECT_FALSE(parseHeadlessOptions({flag}, &error)) << qPrintable(flag);
        EXPECT_TRUE(error.endsWith(u"takes no value"_s)) << qPrintable(error);
    }
    for (const QString& host : {u"::%\f1"_s, u"::%\t1"_s, u"fe80::1%lo "_s, u"fe80::1% lo"_s,
                                u"fe80::1%l\u2028o"_s, u"fe80::1%l\u0085o"_s}) {
        EXPECT_FALSE(normalizedHostAddress(host)) << qPrintable(host);
        EXPECT_FALSE(parseHeadlessOptions({u"--host"_s, host}, &error)) << qPrintable(host);
    }
    EXPECT_EQ(normalizedHostAddress(u"fe80::1%lo"_s), u"fe80::1%lo"_s);
}

TEST(OptionParserFaults, ReplayRefusesIpv4MulticastInEveryForm)
{
    for (const QString& group : {u"224.0.0.1"_s, u"239.255.255.250"_s, u"::ffff:224.0.0.1"_s,
                                 u"::ffff:239.255.255.250"_s, u"::ffff:e000:1"_s}) {
        const QString problem = replayTargetProblem(group, 514);
        EXPECT_TRUE(problem.contains(u"multicast"_s)) << qPrintable(group);
    }
    for (const QString& host : {u"223.255.255.255"_s, u"240.0.0.1"_s, u"::ffff:10.0.0.1"_s})
        EXPECT_TRUE(replayTargetProblem(host, 514).isEmpty()) << qPrintable(host);
}

} // namespace
} // namespace quendal
