#include "logs/core/LogCategory.h"

#include <gtest/gtest.h>

namespace quendal {
namespace {

TEST(LogCategory, FacilitiesSixteenToTwentyMapToTheFiveCategories)
{
    EXPECT_EQ(categoryForFacility(16), LogCategory::FireWall);
    EXPECT_EQ(categoryForFacility(17), LogCategory::VPN);
    EXPECT_EQ(categoryForFacility(18), LogCategory::UserAccess);
    EXPECT_EQ(categoryForFacility(19), LogCategory::Call);
    EXPECT_EQ(categoryForFacility(20), LogCategory::Wan);
    EXPECT_FALSE(categoryForFacility(15));
    EXPECT_FALSE(categoryForFacility(21));
}

TEST(LogCategory, ExtensionsAreMatchedCaseSensitively)
{
    EXPECT_EQ(categoryForExtension(u"vlg"), LogCategory::VPN);
    EXPECT_EQ(categoryForExtension(u"wlg"), LogCategory::Wan);
    EXPECT_FALSE(categoryForExtension(u"VLG"));
    EXPECT_FALSE(categoryForExtension(u"txt"));
    EXPECT_FALSE(categoryForExtension(u""));
}

TEST(LogCategory, AutomaticFilePathDropsTrailingSlashesOfTheFolder)
{
    EXPECT_EQ(autoLogFilePath(QStringLiteral("/var/log/q"), LogCategory::FireWall),
              QStringLiteral("/var/log/q/FIrWareLog.flg"));
    EXPECT_EQ(autoLogFilePath(QStringLiteral("/var/log/q//"), LogCategory::VPN),
              QStringLiteral("/var/log/q/VPNLog.vlg"));
    EXPECT_EQ(autoLogFilePath(QStringLiteral("/"), LogCategory::Call),
              QStringLiteral("/CallLog.clg"));
    EXPECT_EQ(autoLogFilePath(QString(), LogCategory::Wan), QStringLiteral("WanLog.wlg"));
    EXPECT_EQ(autoLogFileName(LogCategory::UserAccess), QStringLiteral("UserAccessLog.ulg"));
}

} // namespace
} // namespace quendal
