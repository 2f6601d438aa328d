// A rejected option is echoed in a reason that must stay one line on a terminal, whatever bytes
// the option held.
#include "app/core/HeadlessOptions.h"

#include <gtest/gtest.h>

namespace quendal {
namespace {

QString reasonFor(const QString& option)
{
    QString error;
    EXPECT_FALSE(parseHeadlessOptions({option}, &error));
    return error;
}

TEST(RejectedOptionReason, ControlCharactersAndBackslashesAreEscaped)
{
    EXPECT_EQ(reasonFor(QStringLiteral("\n")), QStringLiteral("unknown option '\\x0a'"));
    EXPECT_EQ(reasonFor(QStringLiteral("--po\rrt\t")),
              QStringLiteral("unknown option '--po\\x0drt\\x09'"));
    EXPECT_EQ(reasonFor(QStringLiteral("a\\b")), QStringLiteral("unknown option 'a\\\\b'"));
    // C1 controls (U+009B starts an escape sequence on some terminals), DEL and the Unicode line
    // and paragraph separators.
    EXPECT_EQ(reasonFor(QString(QChar(0x9b)) + QChar(0x7f) + QChar(0x2028) + QChar(0x2029)),
              QStringLiteral("unknown option '\\x9b\\x7f\\x2028\\x2029'"));
    EXPECT_EQ(reasonFor(QString(QChar(0)) + QChar(0x1b) + QStringLiteral("[2J")),
              QStringLiteral("unknown option '\\x00\\x1b[2J'"));
    // Other text is shown as typed.
    EXPECT_EQ(reasonFor(QStringLiteral("--pört")), QStringLiteral("unknown option '--pört'"));
}

} // namespace
} // namespace quendal
