// Replay targets that cannot work: refused by the settings dialog's rules, and failed sends
// counted apart and reported once until sending works again.
#include "app/core/PortSettingsForm.h"
#include "app/core/ReplayTarget.h"
#include "app/core/SettingsStore.h"
#include "receiver/core/CReplaySocket.h"
#include "receiver/core/CSysLogSocket.h"
#include "receiver/core/HostFilter.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <gtest/gtest.h>

namespace quendal {
namespace {

TEST(ReplayTarget, OnlyOneHostOnARealPortIsUsable)
{
    EXPECT_TRUE(replayTargetProblem(QStringLiteral("127.0.0.1"), 514).isEmpty());
    EXPECT_TRUE(replayTargetProblem(QStringLiteral("192.168.1.255"), 1).isEmpty());
    EXPECT_FALSE(replayTargetProblem(QStringLiteral("127.0.0.1"), 0).isEmpty());
    EXPECT_FALSE(replayTargetProblem(QStringLiteral("0.0.0.0"), 514).isEmpty());
    EXPECT_FALSE(replayTargetProblem(QStringLiteral("255.255.255.255"), 514).isEmpty());
}

TEST(ReplayTarget, SettingsDialogRefusesPortZeroAndNoHostOrEveryHost)
{
    QTemporaryDir dir;
    SettingsStore store(dir.filePath(QStringLiteral("settings.conf")));
    ReceiverSettings settings;
    PortSettingsFields fields = openPortSettings(settings, store, dir.path());
    fields.logPath = dir.path();
    fields.replayEnabled = true;

    fields.replayAddress = QStringLiteral("192.168.1.10");
    fields.replayPort = QStringLiteral("0");
    PortSettingsOutcome outcome = acceptPortSettings(fields, settings, store);
    EXPECT_EQ(outcome.rejected, PortSettingsField::ReplayPort);
    EXPECT_EQ(fields.replayPort, QStringLiteral("514"));

    for (const char* address : {"0.0.0.0", "255.255.255.255", "000.0.0.0"}) {
        fields.replayAddress = QString::fromLatin1(address);
        outcome = acceptPortSettings(fields, settings, store);
        EXPECT_FALSE(outcome.accepted) << address;
        EXPECT_EQ(outcome.rejected, PortSettingsField::ReplayAddress) << address;
        EXPECT_EQ(fields.replayAddress, QString::fromLatin1(address));
    }
    EXPECT_FALSE(settings.ReplayEnabled);
    EXPECT_FALSE(store.replayAddress());

    fields.replayAddress = QStringLiteral("127.0.0.1");
    EXPECT_TRUE(acceptPortSettings(fields, settings, store).accepted);
    EXPECT_EQ(settings.ReplayPort, 514);
}

TEST(ReplayForwarding, FailedSendsAreCountedApartAndReportedOnceUntilSendingWorks)
{
    struct NoSink : IntakeSink
    {
        void entryStored(LogCategory, const LogEntryView&) override {}
    } sink;
    CSysLogSocket receiver(sink);

    std::vector<QString> reports;
    CReplaySocket replay;
    replay.setFailureReport([&](const QString& reason) { reports.push_back(reason); });
    // Built directly, past the refusal at start, so every send fails.
    ASSERT_TRUE(replay.Create(QStringLiteral("127.0.0.1"), 0));
    receiver.setReplay(&replay);

    sockaddr_in from{};
    from.sin_family = AF_INET;
    from.sin_addr.s_addr = htonl(0x7f000002);
    from.sin_port = htons(40000);
    for (int i = 0; i < 3; ++i)
        receiver.takeIn("<134>Mar 14 09:26:53 gw: lost", from);
    EXPECT_EQ(receiver.counters().forwardFailed, 3u);
    EXPECT_EQ(receiver.counters().forwarded, 0u);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_FALSE(reports[0].isEmpty());
    EXPECT_TRUE(replay.isFailing());

    // A usable target: the first send that works clears the report, once.
    test::LoopbackPeer target;
    ASSERT_TRUE(replay.Create(QStringLiteral("127.0.0.1"), target.port()));
    for (int i = 0; i < 2; ++i)
        receiver.takeIn("<134>Mar 14 09:26:53 gw: sent", from);
    EXPECT_EQ(receiver.counters().forwarded, 2u);
    EXPECT_EQ(receiver.counters().forwardFailed, 3u);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_TRUE(reports[1].isEmpty());
    EXPECT_TRUE(target.waitForDatagrams(2));
}

} // namespace
} // namespace quendal
