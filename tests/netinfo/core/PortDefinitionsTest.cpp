#include "netinfo/core/PortDefinitions.h"

#include "netinfo/support/PortDefinitionRule.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace quendal {
namespace {

using Lines = QList<QByteArray>;
using test::portDefinitionFor;

TEST(PortDefinitionFor, SpacePrecededKeyAnnotatesThePortWithTheWholeLine)
{
    const Lines lines = {"echo 7/udp", "domain 53/udp Domain Name Server", "bootps 67/udp"};
    EXPECT_EQ(portDefinitionFor(53, lines), QByteArray("domain 53/udp Domain Name Server"));
    EXPECT_EQ(portDefinitionFor(7, lines), QByteArray("echo 7/udp"));
    EXPECT_EQ(portDefinitionFor(68, lines), std::nullopt);
    EXPECT_EQ(portDefinitionFor(53, Lines{}), std::nullopt);
}

TEST(PortDefinitionFor, KeyMustFollowASpaceAndNotStartTheLine)
{
    EXPECT_EQ(portDefinitionFor(53, {"x 1053/udp"}), std::nullopt);
    EXPECT_EQ(portDefinitionFor(1053, {"x 1053/udp"}), QByteArray("x 1053/udp"));
    EXPECT_EQ(portDefinitionFor(53, {"53/udp domain"}), std::nullopt);
    EXPECT_EQ(portDefinitionFor(53, {"domain\t53/udp"}), std::nullopt);
    EXPECT_EQ(portDefinitionFor(53, {"domain 53/UDP"}), std::nullopt);
    EXPECT_EQ(portDefinitionFor(53, {"domain 53/tcp"}), std::nullopt);
}

TEST(PortDefinitionFor, OnlyTheFirstOccurrenceInALineCounts)
{
    const Lines lines = {"a 153/udp 53/udp"};
    EXPECT_EQ(portDefinitionFor(53, lines), std::nullopt);
    EXPECT_EQ(portDefinitionFor(153, lines), QByteArray("a 153/udp 53/udp"));
}

TEST(PortDefinitionFor, LastMatchingLineWins)
{
    const Lines lines = {"domain 53/udp first", "other 54/udp", "dns 53/udp second", "x\t53/udp"};
    EXPECT_EQ(portDefinitionFor(53, lines), QByteArray("dns 53/udp second"));
}

TEST(PortDefinitionFor, PortsAtTheEndsOfTheRange)
{
    const Lines lines = {"zero 0/udp", "top 65535/udp"};
    EXPECT_EQ(portDefinitionFor(0, lines), QByteArray("zero 0/udp"));
    EXPECT_EQ(portDefinitionFor(65535, lines), QByteArray("top 65535/udp"));
    EXPECT_EQ(portDefinitionFor(5535, lines), std::nullopt);
}

// The one-pass index must give every port the line the rule gives it, on lines made to trip it:
// digits and zeros before the key, repeated and overlapping keys, keys at both ends, tabs, upper
// case, numbers beyond the port range.
TEST(PortDefinitionIndex, AgreesWithTheRuleForEveryPort)
{
    const Lines lines = {"domain 53/udp Domain Name Server",
                         "x 1053/udp",
                         "53/udp at the start",
                         "tab\t67/udp",
                         "a 153/udp 53/udp",
                         "b 0053/udp 053/udp 53/udp",
                         "c 70000/udp 99999/udp 123456/udp",
                         "d 0/udp 00/udp 65535/udp",
                         "e 161/UDP 162/udp/udp 1/udp",
                         "f 5/udp5/udp 6/udp",
                         "",
                         "dns 53/udp again, later line",
                         "g /udp 7 /udp 8/udpx",
                         "h  443/udp 80/tcp 8080/udp 8080/udp"};
    const std::vector<int> index = indexPortDefinitions(lines);
    ASSERT_EQ(index.size(), 65536u);
    int annotated = 0;
    for (int port = 0; port < 65536; ++port) {
        const auto expected = portDefinitionFor(quint16(port), lines);
        const int line = index[size_t(port)];
        ASSERT_EQ(line < 0 ? std::nullopt : std::optional<QByteArray>(lines.at(line)), expected)
            << "port " << port;
        annotated += line >= 0;
    }
    EXPECT_EQ(index[53], 11);
    // 0 1 5 6 8 53 153 162 443 1053 8080 65535
    EXPECT_EQ(annotated, 12);
}

class PortDefinitionFile : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    QString filePath() const { return dir_.filePath(QStringLiteral("Portdef.dat")); }

    void write(const QByteArray& bytes)
    {
        QFile file(filePath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }

    QTemporaryDir dir_;
};

TEST_F(PortDefinitionFile, MissingFileLeavesTheDefinitionsNotLoaded)
{
    const PortDefinitions missing = LoadPortDefinitionsFrom(filePath());
    EXPECT_FALSE(missing.loaded());
    EXPECT_TRUE(missing.lines().isEmpty());

    ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("Portdef.dat")));
    EXPECT_FALSE(LoadPortDefinitionsFrom(filePath()).loaded());
}

TEST_F(PortDefinitionFile, EmptyFileIsLoadedWithNoLines)
{
    write({});
    const PortDefinitions empty = LoadPortDefinitionsFrom(filePath());
    EXPECT_TRUE(empty.loaded());
    EXPECT_TRUE(empty.lines().isEmpty());
    EXPECT_EQ(empty.lineFor(53), std::nullopt);
}

TEST_F(PortDefinitionFile, LinesAreKeptAsBytesWithoutTheirLineEnds)
{
    write("domain 53/udp Domain Name Server\r\n"
          "\n"
          "odd\rcr 69/udp\n"
          "caf\xe9 7/udp\r\n"
          "last 123/udp");
    const PortDefinitions definitions = LoadPortDefinitionsFrom(filePath());
    ASSERT_TRUE(definitions.loaded());
    const Lines expected = {"domain 53/udp Domain Name Server", "", "odd\rcr 69/udp",
                            "caf\xe9 7/udp", "last 123/udp"};
    EXPECT_EQ(definitions.lines(), expected);
    EXPECT_EQ(definitions.lineFor(53), QByteArray("domain 53/udp Domain Name Server"));
    EXPECT_EQ(definitions.lineFor(123), QByteArray("last 123/udp"));
}

TEST_F(PortDefinitionFile, AnnotationNeedsLoadedDefinitions)
{
    write("domain 53/udp\n");
    ASSERT_EQ(LoadPortDefinitionsFrom(filePath()).lineFor(53), QByteArray("domain 53/udp"));

    // Lines kept from a load that failed part-way do not annotate.
    const PortDefinitions partial(Lines{"domain 53/udp"}, false);
    EXPECT_FALSE(partial.loaded());
    EXPECT_EQ(partial.lines(), Lines{"domain 53/udp"});
    EXPECT_EQ(partial.lineFor(53), std::nullopt);
    EXPECT_EQ(PortDefinitions().lineFor(53), std::nullopt);
}

TEST_F(PortDefinitionFile, StartUpLoaderReadsPortdefDatFromTheCurrentDirectory)
{
    write("domain 53/udp\n");
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir_.path()));
    const PortDefinitions definitions = LoadPortDefinitions();
    QDir::setCurrent(previous);
    EXPECT_TRUE(definitions.loaded());
    EXPECT_EQ(definitions.lines(), Lines{"domain 53/udp"});
}

} // namespace
} // namespace quendal
