// The settings dialog's allowed senders: refused with the part that is wrong, or stored in the
// form they are shown and handed to reception.
#include "app/core/PortSettingsForm.h"
#include "app/core/SettingsStore.h"
#include "common/core/AddressPrefix.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace quendal {
namespace {

TEST(AllowedSendersSetting, RefusedWithItsReasonOrStoredAsNetworks)
{
    QTemporaryDir dir;
    SettingsStore store(dir.filePath(QStringLiteral("settings.conf")));
    ReceiverSettings settings;
    PortSettingsFields fields = openPortSettings(settings, store, dir.path());
    EXPECT_TRUE(fields.allowedSenders.isEmpty());

    fields.allowedSenders = QStringLiteral("192.168.1.0/24, gateway");
    PortSettingsOutcome outcome = acceptPortSettings(fields, settings, store);
    EXPECT_FALSE(outcome.accepted);
    EXPECT_EQ(outcome.rejected, PortSettingsField::AllowedSenders);
    EXPECT_TRUE(outcome.reason.contains(u"gateway")) << outcome.reason.toStdString();
    EXPECT_FALSE(store.allowedSenders());

    fields.allowedSenders = QStringLiteral(" 192.168.1.77/24,fd00::1/8 ,10.0.0.1");
    outcome = acceptPortSettings(fields, settings, store);
    ASSERT_TRUE(outcome.accepted);
    const QString shown = QStringLiteral("192.168.1.0/24, fd00::/8, 10.0.0.1/32");
    EXPECT_EQ(fields.allowedSenders, shown);
    EXPECT_EQ(settings.AllowedSenders, shown);
    EXPECT_EQ(store.allowedSenders(), shown);
    EXPECT_EQ(parseAddressPrefixes(settings.AllowedSenders)->size(), 3u);

    ReceiverSettings later;
    EXPECT_EQ(openPortSettings(later, store, dir.path()).allowedSenders, shown);
}

} // namespace
} // namespace quendal
