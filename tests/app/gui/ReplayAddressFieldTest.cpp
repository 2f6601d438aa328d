// The settings dialog's Replay address field with IPv6 addresses typed in.
#include "app/core/Settings.h"
#include "app/core/SettingsStore.h"
#include "app/gui/CPortSettingsDlg.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace quendal::test {
namespace {

TEST(ReplayAddressField, TakesAnIpv6AddressAsTypedAndRefusesWhatIsNoHost)
{
    QTemporaryDir dir;
    SettingsStore store(dir.filePath(QStringLiteral("settings.ini")));
    ReceiverSettings settings;
    store.store(dir.path(), std::nullopt);
    CPortSettingsDlg dialog(settings, store);
    dialog.prepare();
    dialog.open();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    dialog.replayCheck()->setChecked(true);
    QLineEdit* field = dialog.replayAddressEdit();

    // Letters beyond the hex digits stay out, but not in an interface name.
    field->clear();
    QTest::keyClicks(field, QStringLiteral("[fe80::1x%eth0]"));
    EXPECT_EQ(field->text(), QStringLiteral("[fe80::1%eth0]"));

    field->clear();
    QTest::keyClicks(field, QStringLiteral("ff02::1"));
    QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.lastRejected(), PortSettingsField::ReplayAddress);

    field->clear();
    QTest::keyClicks(field, QStringLiteral("[::1]"));
    QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(settings.ReplayEnabled);
    EXPECT_EQ(settings.ReplayAddress, QStringLiteral("::1"));
}

} // namespace
} // namespace quendal::test
