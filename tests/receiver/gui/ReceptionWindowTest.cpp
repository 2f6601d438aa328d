#include "app/gui/MainWindowFixture.h"
#include "app/gui/StatusCounters.h"
#include "controls/gui/CHoverButton.h"
#include "logs/core/LogList.h"
#include "receiver/core/HostList.h"
#include "receiver/core/ReceptionEngine.h"
#include "receiver/core/ReceptionTestSupport.h"

#include <QComboBox>
#include <QStatusBar>

using namespace quendal;
using namespace quendal::test;

TEST_F(MainWindowTest, ABurstReachesTheListsInItsOrderWhileTheWindowKeepsDrawing)
{
    const quint16 port = startOnFreePort();
    ASSERT_NE(port, 0);
    constexpr int kCount = 2000;
    std::vector<QByteArray> burst;
    for (int i = 0; i < kCount; ++i)
        burst.push_back(numbered(i, 16 + i % 2)); // FireWall and VPN by turns
    sendAll(port, burst);

    LogList* firewall = window_->list(LogCategory::FireWall);
    LogList* vpn = window_->list(LogCategory::VPN);
    ASSERT_TRUE(waitUntil([&] { return firewall->size() + vpn->size() == kCount; }))
        << firewall->size() + vpn->size();
    for (qsizetype row = 0; row < kCount / 2; ++row) {
        ASSERT_EQ(firewall->entry(row).message, QByteArray::number(kCount - 2 - 2 * row)) << row;
        ASSERT_EQ(vpn->entry(row).message, QByteArray::number(kCount - 1 - 2 * row)) << row;
    }
    EXPECT_EQ(window_->hostBox()->count(), 2);
    EXPECT_EQ(window_->reception()->counters().stored, quint64(kCount));

    // Nothing was lost, so the status bar says nothing about loss.
    auto* counts = window_->statusBar()->findChild<StatusCounters*>();
    ASSERT_NE(counts, nullptr);
    counts->refresh();
    EXPECT_FALSE(counts->text().contains(QStringLiteral("dropped by the system")));

    // Stop shows what came before it, then forgets the senders.
    QTest::mouseClick(window_->stopButton(), Qt::LeftButton);
    EXPECT_EQ(window_->hostBox()->count(), 1);
    EXPECT_FALSE(window_->reception()->isRunning());
}

TEST(StatusCounters, ShowTheSystemsDropsOnceThereAreAny)
{
    ReceptionEngine engine;
    ReceiverGate gate;
    engine.setObserver(&gate);
    StatusCounters label;
    label.follow(&engine);
    ReceptionSettings settings;
    settings.port = 0;
    settings.address = htonl(INADDR_LOOPBACK);
    settings.receiveBufferBytes = 1;
    ASSERT_TRUE(engine.start(settings));
    const quint16 port = engine.localPort();

    gate.arm();
    sendAll(port, {numbered(0)});
    ASSERT_TRUE(gate.waitHeld());
    std::vector<QByteArray> flood;
    for (int i = 1; i <= 200; ++i)
        flood.push_back(numbered(i));
    sendAll(port, flood);
    gate.release();
    // The count of drops rides on the next datagram, sent once a drain has taken what the
    // buffer held: the counters come when that drain ends with the socket empty.
    ASSERT_TRUE(waitUntil([&] { return engine.counters().read > 1; }));
    sendAll(port, {numbered(201)});

    ASSERT_TRUE(waitUntil([&] { return engine.counters().kernelDrops > 0; }));
    EXPECT_TRUE(label.text().contains(
        QStringLiteral("dropped by the system: %1").arg(engine.counters().kernelDrops)));
    gate.open();
    engine.stop();
}
