#include "logs/core/EntrySplitter.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace quendal {
namespace {

LogEntry split(QByteArrayView datagram, int severity = 3)
{
    const int headerEnd = int(datagram.indexOf('>'));
    return LogEntry::from(splitEntry(datagram, headerEnd, severity));
}

TEST(EntrySplitter, CutsTimeHostAndMessage)
{
    EXPECT_EQ(split("<131>Mar 14 09:26:53 gateway: Packet blocked"),
              (LogEntry{"Mar 14 09:26:53", "gateway", "Packet blocked", DEF_TEXT}));
    EXPECT_EQ(split("<128>Mar 14 09:26:53 gateway: Packet blocked", 0),
              (LogEntry{"Mar 14 09:26:53", "gateway", "Packet blocked", RED}));
    // Blanks in the host and a trailing line feed stay; nothing is trimmed.
    EXPECT_EQ(split("<131>Mar 14 09:26:53 my gw: x\n"),
              (LogEntry{"Mar 14 09:26:53", "my gw", "x\n", DEF_TEXT}));
    // The byte after the colon is skipped whatever it is.
    EXPECT_EQ(split("<131>Mar 14 09:26:53 gateway:Packet").message, "acket");
    // Only the first colon behind the time ends the host.
    EXPECT_EQ(split("<131>Mar 14 09:26:53 gw: a: b"),
              (LogEntry{"Mar 14 09:26:53", "gw", "a: b", DEF_TEXT}));
}

TEST(EntrySplitter, TimeIsFifteenBytesWhateverFollows)
{
    EXPECT_EQ(split("<131>2002-03-14T09:26:53Z h: m"),
              (LogEntry{"2002-03-14T09:2", "", "3Z h: m", DEF_TEXT}));
    // A prefix of two characters moves every column one byte to the left.
    EXPECT_EQ(split("<aa>Mar 14 09:26:53 gw: x"),
              (LogEntry{"Mar 14 09:26:53", "gw", "x", DEF_TEXT}));
}

TEST(EntrySplitter, NothingIsLostWithoutAColonAndShortDatagramsGiveEmptyColumns)
{
    EXPECT_EQ(split("<131>Mar 14 09:26:53 link went down"),
              (LogEntry{"Mar 14 09:26:53", "", "link went down", DEF_TEXT}));
    EXPECT_EQ(split("<131>short"), (LogEntry{"short", "", "", DEF_TEXT}));
    EXPECT_EQ(split("<131>"), (LogEntry{"", "", "", DEF_TEXT}));
    // A colon as the separator itself ends an empty host; one as the very last byte leaves an
    // empty message.
    EXPECT_EQ(split("<131>Mar 14 09:26:53:gw: x"),
              (LogEntry{"Mar 14 09:26:53", "", "w: x", DEF_TEXT}));
    EXPECT_EQ(split("<131>Mar 14 09:26:53 gw:"), (LogEntry{"Mar 14 09:26:53", "gw", "", DEF_TEXT}));
}

} // namespace
} // namespace quendal
