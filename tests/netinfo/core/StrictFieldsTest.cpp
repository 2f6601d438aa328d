// Fields read from the kernel's tables and the command line accept exactly what is written
// there: no octal, no signs or prefixes, nothing after the last digit.
#include "netinfo/core/ProcNetParser.h"
#include "netinfo/core/RouteTable.h"
#include "netinfo/core/RouterSearch.h"
#include "netinfo/support/KernelHex.h"

#include <QtEndian>

#include <gtest/gtest.h>

namespace quendal {
namespace {

using test::kernelHex;

TEST(ProcNetFields, ExactlyTheKernelsHexDigitsAndNothingElse)
{
    EXPECT_EQ(procNetAddress("0100007F"), std::optional<quint32>(qFromBigEndian(0x0100007Fu)));
    EXPECT_EQ(procNetAddress("0a00a8c0"), std::optional<quint32>(qFromBigEndian(0x0A00A8C0u)));
    // What a number parser would take: a zero byte ending the digits early, a base prefix, a
    // sign, blanks.
    for (const QByteArrayView bad :
         {QByteArrayView("Af\0\0\0\0\0\0", 8), QByteArrayView("0x7F0001"),
          QByteArrayView("+100007F"), QByteArrayView("-100007F"), QByteArrayView(" 100007F"),
          QByteArrayView("0100007 "), QByteArrayView("0100007G"), QByteArrayView("100007F"),
          QByteArrayView("00100007F"), QByteArrayView("")})
        EXPECT_FALSE(procNetAddress(bad)) << bad.toByteArray().toHex().constData();
    EXPECT_EQ(procNetHex("0035", 4), std::optional<quint32>(0x35));
    EXPECT_FALSE(procNetHex("0x35", 4));
    EXPECT_FALSE(procNetHex("+035", 4));
    EXPECT_FALSE(procNetHex("A", 2));

    // A row the kernel cannot have written is damage, not port 53.
    const QByteArray heading = "  sl  local_address rem_address   st\n";
    EXPECT_FALSE(parseProcNet<UdpRow>(heading + "   0: +100007F:0x35 00000000:0000 07\n"));
    EXPECT_FALSE(parseProcNet<UdpRow>(heading + "   0: 0100007F:0035 00000000:0000 +7\n"));
    EXPECT_FALSE(parseProcNet<UdpRow>(heading + "   0: 0100007F:0035 00000000:0000 7\n"));
    EXPECT_TRUE(parseProcNet<UdpRow>(heading + "   0: 0100007F:0035 00000000:0000 07\n"));
}

TEST(RouteTableFields, FieldsOtherThanTheKernelsHexDigitsAreNoRoute)
{
    const QString heading =
        QStringLiteral("Iface\tDestination\tGateway\tFlags\tRefCnt\tUse\tMetric\tMask\n");
    const QString gateway = kernelHex(192, 168, 1, 1);
    const QString route = QStringLiteral("eth0\t%1\t%2\t%3\t0\t0\t0\t%4\n");
    EXPECT_EQ(parseDefaultGateways(heading + route.arg(QStringLiteral("00000000"), gateway,
                                                       QStringLiteral("0003"),
                                                       QStringLiteral("00000000")))
                  .value(QStringLiteral("eth0")),
              QStringLiteral("192.168.1.1"));
    // A signed, prefixed or short field is not what the kernel prints.
    EXPECT_TRUE(parseDefaultGateways(heading + route.arg(QStringLiteral("+0000000"), gateway,
                                                         QStringLiteral("0003"),
                                                         QStringLiteral("00000000")))
                    .isEmpty());
    EXPECT_TRUE(
        parseDefaultGateways(heading + route.arg(QStringLiteral("00000000"), gateway,
                                                 QStringLiteral("0x3"), QStringLiteral("00000000")))
            .isEmpty());
    EXPECT_TRUE(
        parseDefaultGateways(heading + route.arg(QStringLiteral("00000000"), gateway,
                                                 QStringLiteral("0003"), QStringLiteral("0")))
            .isEmpty());
}

TEST(RouterSearchTarget, ReadAsTheSettingsDialogReadsAnAddress)
{
    // Leading zeros are decimal, as on the screen: not 192.168.1.8.
    const auto zeros = parseRouterSearchTarget(QStringLiteral("192.168.001.010:514"));
    ASSERT_TRUE(zeros);
    EXPECT_EQ(zeros->address, QHostAddress(QStringLiteral("192.168.1.10")));
    EXPECT_EQ(zeros->port, 514);
    const QString withZeroByte = QStringLiteral("127.0.0.1") + QChar(0);
    EXPECT_FALSE(parseRouterSearchTarget(withZeroByte));
    EXPECT_FALSE(parseRouterSearchTarget(QStringLiteral("127.0.0.1:9") + QChar(0)));
    for (const char* bad :
         {"0x7f.0.0.1", "127.0.0.1 ", " 127.0.0.1", "127.0.0.256", "1.2.3.4.5", "127.0.0.1:+9",
          "127.0.0.1: 9", "127.0.0.1:", "127.0.0.1:0x10", "1..2.3", "1234.0.0.1"})
        EXPECT_FALSE(parseRouterSearchTarget(QString::fromLatin1(bad))) << bad;
    // The fake router's reply takes addresses by the same rule.
    const auto reply = buildSearchReply(
        {QStringLiteral("00507FA1B2C3"), QStringLiteral("010.0.0.1"), QStringLiteral("255.0.0.0")});
    ASSERT_TRUE(reply);
    EXPECT_EQ(parseSearchReply(*reply)->ipAddress, QStringLiteral("10.0.0.1"));
}

} // namespace
} // namespace quendal
