#include "netinfo/core/LeaseTime.h"

#include <gtest/gtest.h>

namespace quendal {
namespace {

TEST(LeaseTime, AsctimeFormInUtcWithTwoDigitDayAndNewline)
{
    EXPECT_EQ(formatLeaseTime(0), QStringLiteral("Thu Jan 01 00:00:00 1970\n"));
    // 2024-03-05 07:08:09 UTC: single-digit day, hour, minute and second all padded with 0.
    EXPECT_EQ(formatLeaseTime(1709622489), QStringLiteral("Tue Mar 05 07:08:09 2024\n"));
    // The last second a signed 32-bit lease time can hold.
    EXPECT_EQ(formatLeaseTime(2147483647), QStringLiteral("Tue Jan 19 03:14:07 2038\n"));
}

TEST(LeaseTime, NegativeTimeIsUnknownAndEmpty)
{
    EXPECT_TRUE(formatLeaseTime(-1).isEmpty());
    EXPECT_TRUE(formatLeaseTime(-86400).isEmpty());
}

} // namespace
} // namespace quendal
