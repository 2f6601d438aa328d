#include "netinfo/core/ProcNetParser.h"

#include "netinfo/core/PortDefinitions.h"
#include "netinfo/core/SocketRowTexts.h"

#include <QSysInfo>

#include <gtest/gtest.h>

namespace quendal {
namespace {

// Tables as a little-endian kernel prints them: 0100007F is 127.0.0.1.
const QByteArray kHeading = "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when "
                            "retrnsmt   uid  timeout inode\n";

QByteArray line(const char* local, const char* remote, const char* state)
{
    return QByteArray("   0: ") + local + " " + remote + " " + state +
           " 00000000:00000000 00:00000000 00000000  1000        0 4242 1 0000000000000000 20\n";
}

class ProcNetParser : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (QSysInfo::ByteOrder != QSysInfo::LittleEndian)
            GTEST_SKIP() << "the sample tables are those of a little-endian kernel";
    }
};

TEST_F(ProcNetParser, RowsKeepFileOrderWithHostOrderAddressesAndPorts)
{
    const auto tcp = parseProcNet<TcpRow>(kHeading + line("00000000:0050", "00000000:0000", "0A") +
                                          line("0A00A8C0:1F90", "6400A8C0:D431", "01"));
    ASSERT_TRUE(tcp);
    ASSERT_EQ(tcp->size(), 2u);
    EXPECT_EQ(
        rowTexts((*tcp)[0], PortDefinitions()),
        QStringList({QStringLiteral("0.0.0.0"), QStringLiteral("80"), QStringLiteral("0.0.0.0"),
                     QStringLiteral("0"), QStringLiteral("Listening")}));
    EXPECT_EQ((*tcp)[1].localAddress, 0xC0A8000Au);
    EXPECT_EQ((*tcp)[1].localPort, 8080);
    EXPECT_EQ((*tcp)[1].remoteAddress, 0xC0A80064u);
    EXPECT_EQ((*tcp)[1].remotePort, 54321);
    EXPECT_EQ((*tcp)[1].state, TcpEstablished);

    const auto udp = parseProcNet<UdpRow>(kHeading + line("3500007F:0035", "00000000:0000", "07"));
    ASSERT_TRUE(udp);
    ASSERT_EQ(udp->size(), 1u);
    EXPECT_EQ((*udp)[0].localAddress, 0x7F000035u);
    EXPECT_EQ((*udp)[0].localPort, 53);
}

TEST_F(ProcNetParser, LinuxStatesAreNamedOnTheTableScale)
{
    // Linux state in hex, and the name the page shows for it.
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"01", "Established"},     {"02", "SYN Sent"},          {"03", "SYN Received"},
        {"04", "Waiting for FIN"}, {"05", "Waiting for FIN"},   {"06", "Time Wait"},
        {"07", "Closed"},          {"08", "Waiting for Close"}, {"09", "Last ACK"},
        {"0A", "Listening"},       {"0B", "Closing"},           {"0C", "SYN Received"},
        {"00", "Unknown status"},  {"0D", "Unknown status"},    {"FF", "Unknown status"}};
    QByteArray text = kHeading;
    for (const auto& c : cases)
        text += line("0100007F:0016", "00000000:0000", c.first);
    const auto rows = parseProcNet<TcpRow>(text);
    ASSERT_TRUE(rows);
    ASSERT_EQ(rows->size(), cases.size());
    for (size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(tcpStateName((*rows)[i].state), QString::fromLatin1(cases[i].second))
            << "Linux state " << cases[i].first;
}

TEST_F(ProcNetParser, HeadingAloneIsAnEmptyTableAndDamageFailsTheWholeRead)
{
    const auto empty = parseProcNet<TcpRow>(kHeading);
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->empty());

    const QByteArray good = line("0100007F:0016", "00000000:0000", "0A");
    EXPECT_FALSE(parseProcNet<TcpRow>(""));
    EXPECT_FALSE(parseProcNet<TcpRow>(good));
    EXPECT_FALSE(parseProcNet<TcpRow>(kHeading + good + line("0100007G:0016", "0:0", "0A")));
    EXPECT_FALSE(parseProcNet<TcpRow>(kHeading + line("100007F:0016", "00000000:0000", "0A")));
    EXPECT_FALSE(parseProcNet<UdpRow>(kHeading + line("0100007F:16", "00000000:0000", "07")));
}

} // namespace
} // namespace quendal
