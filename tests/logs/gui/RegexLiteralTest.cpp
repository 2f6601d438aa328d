#include "logs/core/RegexLiteral.h"

#include "logs/gui/RowMatcher.h"

#include <gtest/gtest.h>

namespace quendal {
namespace {

QByteArray literalOf(const char* pattern)
{
    return requiredLiteral(QString::fromUtf8(pattern));
}

// A find bar's query; every field named, so that none is left to chance.
FindQuery query(const QString& text, bool caseSensitive = false, bool regularExpression = false)
{
    FindQuery q;
    q.text = text;
    q.caseSensitive = caseSensitive;
    q.regularExpression = regularExpression;
    return q;
}

TEST(RegexLiteral, TheLongestRunOutsideGroupsClassesAndQuantifiers)
{
    EXPECT_EQ(literalOf("rule 9[0-6]$"), "rule 9");
    EXPECT_EQ(literalOf("^ALERT\\s+Intrusion from"), "Intrusion from");
    EXPECT_EQ(literalOf("\\d+\\.\\d+ ms"), " ms");
    EXPECT_EQ(literalOf("a\\.b\\.c"), "a.b.c");
    EXPECT_EQ(literalOf("(?:TCP|UDP) 192\\.168\\."), " 192.168.");
    EXPECT_EQ(literalOf("port [0-9]{2,5} closed"), " closed");
    EXPECT_EQ(literalOf("[]x] literal"), " literal");
    EXPECT_EQ(literalOf("[[:digit:]x]] tail"), " tail");
}

TEST(RegexLiteral, CharactersUnderAQuantifierAreLeftOut)
{
    EXPECT_EQ(literalOf("colou?r"), "colo");
    EXPECT_EQ(literalOf("ab*cdef"), "cdef");
    EXPECT_EQ(literalOf("abc+d"), "ab");
    EXPECT_EQ(literalOf("xyz{0,2}w"), "xy");
    EXPECT_EQ(literalOf("abcd??e"), "abc");
    EXPECT_EQ(literalOf("(drop)?ped packets"), "ped packets");
    EXPECT_EQ(literalOf("x\\.?y"), "x");
}

TEST(RegexLiteral, NothingWhereTheReadingWouldNotHold)
{
    for (const char* pattern : {"alpha|beta", "(?i)drop", "(*ACCEPT)drop", "(?x) d r o p",
                                "\\Qa.b\\E", "\\x41BC", "\\p{Lu}pper", "(a(*ACCEPT))drop", "\\1abc",
                                "unclosed (group", "[unclosed", "", ".*", "\\u0041bc"}) {
        EXPECT_TRUE(literalOf(pattern).isEmpty()) << pattern;
    }
}

// The shortcut never changes what matches: rows without the literal are the rows the full
// regular expression rejects, also where decoding or caseless matching could surprise.
TEST(RegexLiteral, TheMatcherFindsTheSameRowsWithTheShortcut)
{
    struct Case
    {
        const char* pattern;
        bool caseSensitive;
        QByteArray message;
        bool matches;
    };
    const Case cases[] = {
        {"rule 9[0-6]$", false, "Packet blocked rule 93", true},
        {"rule 9[0-6]$", false, "Packet blocked RULE 95", true},
        {"rule 9[0-6]$", true, "Packet blocked RULE 95", false},
        {"rule 9[0-6]$", false, "Packet blocked rule 97", false},
        // No literal part: ASCII rows are matched from a reused buffer, the others decoded.
        {"\\d{2}:\\d{2}\\s", false, "link up at 09:26 on ppp0", true},
        {"\\d{2}:\\d{2}\\s", false, "link up at 09:26", false},
        {"^\\w+. \\d+$", false, "caf\xc3\xa9 42", true},
        {"^\\w+. \\d+$", false, "link 42 ", false},
        // The Kelvin sign and the long s fold onto k and s when the case is ignored.
        {"kernel", false,
         "\xe2\x84\xaa"
         "ernel panic",
         true},
        {"sshd", false, "\xc5\xbfshd login", true},
        {"sshd", true, "\xc5\xbfshd login", false},
        // Latin-1 bytes that are no UTF-8 still hold their ASCII letters where they are.
        {"caf. open", false, "caf\xe9 open", true},
        {"Gr..e", false,
         "Gr\xfc\xdf"
         "e",
         true},
    };
    for (const Case& c : cases) {
        const RowMatcher matcher(
            query(QString::fromUtf8(c.pattern), c.caseSensitive, /*regularExpression=*/true));
        ASSERT_TRUE(matcher.isValid()) << c.pattern;
        const LogEntryView entry{"Dec 17 09:26:55", "gateway", c.message};
        EXPECT_EQ(matcher.matches(entry), c.matches) << c.pattern << " / " << c.message.data();
    }
}

} // namespace
} // namespace quendal
