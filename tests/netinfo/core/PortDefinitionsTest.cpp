#include "netinfo/core/PortDefinitions.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace quendal {
namespace {

using Lines = QList<QByteArray>;

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

class PortDefinitionFile : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        ResetPortDefinitions();
    }
    void TearDown() override { ResetPortDefinitions(); }

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
    LoadPortDefinitionsFrom(filePath());
    EXPECT_FALSE(PortDefinitions().loaded);
    EXPECT_TRUE(PortDefinitions().lines.isEmpty());

    ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("Portdef.dat")));
    LoadPortDefinitionsFrom(filePath());
    EXPECT_FALSE(PortDefinitions().loaded);
}

TEST_F(PortDefinitionFile, EmptyFileIsLoadedWithNoLines)
{
    write({});
    LoadPortDefinitionsFrom(filePath());
    EXPECT_TRUE(PortDefinitions().loaded);
    EXPECT_TRUE(PortDefinitions().lines.isEmpty());
    EXPECT_EQ(portDefinitionFor(53), std::nullopt);
}

TEST_F(PortDefinitionFile, LinesAreKeptAsBytesWithoutTheirLineEnds)
{
    write("domain 53/udp Domain Name Server\r\n"
          "\n"
          "odd\rcr 69/udp\n"
          "caf\xe9 7/udp\r\n"
          "last 123/udp");
    LoadPortDefinitionsFrom(filePath());
    ASSERT_TRUE(PortDefinitions().loaded);
    const Lines expected = {"domain 53/udp Domain Name Server", "", "odd\rcr 69/udp",
                            "caf\xe9 7/udp", "last 123/udp"};
    EXPECT_EQ(PortDefinitions().lines, expected);
    EXPECT_EQ(portDefinitionFor(53), QByteArray("domain 53/udp Domain Name Server"));
    EXPECT_EQ(portDefinitionFor(123), QByteArray("last 123/udp"));
}

TEST_F(PortDefinitionFile, AnnotationNeedsLoadedDefinitions)
{
    write("domain 53/udp\n");
    LoadPortDefinitionsFrom(filePath());
    ASSERT_EQ(portDefinitionFor(53), QByteArray("domain 53/udp"));

    // A later failed load keeps the lines but no longer annotates with them.
    LoadPortDefinitionsFrom(dir_.filePath(QStringLiteral("missing.dat")));
    EXPECT_FALSE(PortDefinitions().loaded);
    EXPECT_EQ(PortDefinitions().lines, Lines{"domain 53/udp"});
    EXPECT_EQ(portDefinitionFor(53), std::nullopt);
}

TEST_F(PortDefinitionFile, StartUpLoaderReadsPortdefDatFromTheCurrentDirectory)
{
    write("domain 53/udp\n");
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir_.path()));
    LoadPortDefinitions();
    QDir::setCurrent(previous);
    EXPECT_TRUE(PortDefinitions().loaded);
    EXPECT_EQ(PortDefinitions().lines, Lines{"domain 53/udp"});
}

} // namespace
} // namespace quendal
