#include "receiver/core/PriorityDecoder.h"

#include <gtest/gtest.h>

namespace quendal {
namespace {

struct Case
{
    const char* datagram;
    int headerEnd;
    int priority;
    int facility;
    int severity;
};

TEST(PriorityDecoder, DecodesThePrefixCharacterByCharacter)
{
    const Case cases[] = {
        {"<134>x", 4, 134, 16, 6},  {"<165>x", 4, 165, 20, 5},  {"<175>x", 4, 175, 21, 7},
        {"<128>x", 4, 128, 16, 0},  {"<127>x", 4, 127, 15, 7},  {"<176>x", 4, 176, 22, 0},
        {"<13>x", 3, 13, 1, 5},     {"<>x", 1, 0, 0, 0},        {"<1a>x", 3, 11, 1, 3},
        {"<999>x", 4, 999, 124, 7}, {"<:::>", 4, 1110, 138, 6}, {"<7>", 2, 7, 0, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.datagram);
        const int end = findHeaderEnd(c.datagram);
        ASSERT_EQ(end, c.headerEnd);
        const Priority p = decodePriority(c.datagram, end);
        EXPECT_EQ(p.value, c.priority);
        EXPECT_EQ(p.facility, c.facility);
        EXPECT_EQ(p.severity, c.severity);
    }
}

TEST(PriorityDecoder, ClosingBracketMustStandWithinTheFirstFiveBytes)
{
    EXPECT_EQ(findHeaderEnd("<1345>x"), -1);
    EXPECT_EQ(findHeaderEnd("<134"), -1);
    EXPECT_EQ(findHeaderEnd("<"), -1);
    EXPECT_EQ(findHeaderEnd("<12>>"), 3);
}

} // namespace
} // namespace quendal
