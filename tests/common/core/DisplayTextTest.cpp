#include "common/core/DisplayText.h"

#include <gtest/gtest.h>

namespace quendal {
namespace {

TEST(DisplayText, DecodesUtf8AndFallsBackToLatin1ForInvalidBytes)
{
    EXPECT_EQ(decodeForDisplay("Stra\xc3\x9f"
                               "e"),
              QStringLiteral("Stra\u00dfe"));
    // 0xDF alone is not UTF-8: the whole text is read as Latin-1.
    EXPECT_EQ(decodeForDisplay("Stra\xdf"
                               "e"),
              QStringLiteral("Stra\u00dfe"));
    // A truncated multi-byte sequence at the end is invalid as well.
    EXPECT_EQ(decodeForDisplay("ab\xc3"), QStringLiteral("ab\u00c3"));
    EXPECT_EQ(decodeForDisplay(""), QString());
}

} // namespace
} // namespace quendal
