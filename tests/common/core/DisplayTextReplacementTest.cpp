#include "common/core/DisplayText.h"

#include <gtest/gtest.h>

namespace quendal {
namespace {

TEST(DisplayTextReplacement, UtfEightWithAStrayByteKeepsItsCharactersAndMarksTheByte)
{
    // UTF-8 "grüße" followed by a byte that is no UTF-8: not read as Latin-1 ("grÃ¼Ã\u009fe").
    EXPECT_EQ(decodeForDisplay("gr\xc3\xbc\xc3\x9f"
                               "e \xff"),
              QStringLiteral("gr\u00fc\u00dfe \ufffd"));
    // A Latin-1 text stays readable.
    EXPECT_EQ(decodeForDisplay("caf\xe9"), QStringLiteral("caf\u00e9"));
}

} // namespace
} // namespace quendal
