#include "receiver/core/ReceptionEngine.h"

#include "common/core/UiText.h"
#include "receiver/core/ReceptionTestSupport.h"
#include "receiver/core/ShownReception.h"
#include "support/TestSupport.h"

#include <QElapsedTimer>
#include <QSignalSpy>

#include <arpa/inet.h>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace quendal {
namespace {

using test::numbered;
using test::readFile;
using test::sendAll;
using test::waitUntil;

// Counts the datagrams the receiver thread takes in per drain, on that thread.
class DrainCounter : public test::ReceiverGate
{
public:
    void beforeDatagram() override { ++inDrain_; }
    void drainEnded() override
    {
        largest_ = std::max(largest_.load(), inDrain_);
        if (inDrain_ > 0)
            ++drains_;
        inDrain_ = 0;
    }
    int largestDrain() const { return largest_; }
    int drains() const { return drains_; }

private:
    int inDrain_ = 0;
    std::atomic<int> largest_{0};
    std::atomic<int> drains_{0};
};

// Reception shown as the window shows it, with the receiver thread's drains counted.
class Reception : public test::ShownReception
{
protected:
    void SetUp() override { engine.setObserver(&observer); }
    void TearDown() override
    {
        observer.open();
        test::ShownReception::TearDown();
    }

    DrainCounter observer;
};

TEST_F(Reception, EntriesKeepTheirOrderAcrossDrainsAndBatches)
{
    start();
    QSignalSpy batches(&engine, &ReceptionEngine::batchArrived);
    constexpr int kCount = 1500;
    constexpr int kChunk = 300;
    for (int from = 0; from < kCount; from += kChunk) {
        std::vector<QByteArray> datagrams;
        for (int i = from; i < from + kChunk; ++i)
            datagrams.push_back(numbered(i, 16 + i % kCategoryCount));
        sendAll(port, datagrams);
        ASSERT_TRUE(waitForRead(quint64(from + kChunk)));
    }
    EXPECT_GE(batches.count(), kCount / kChunk);
    EXPECT_EQ(engine.counters().kernelDrops, 0u);

    for (LogCategory c : kAllCategories) {
        const LogList& l = list(c);
        ASSERT_EQ(l.size(), kCount / kCategoryCount);
        QByteArray expectedFile;
        for (qsizetype row = 0; row < l.size(); ++row) {
            // Newest on top: row 0 holds the last number sent to this category.
            const int number =
                kCount - kCategoryCount + categoryIndex(c) - int(row) * kCategoryCount;
            ASSERT_EQ(l.entry(row).message, QByteArray::number(number)) << int(c) << " " << row;
            expectedFile.prepend("Mar 14 09:26:53\r\ngw\r\n" + QByteArray::number(number) + "\r\n");
        }
        EXPECT_EQ(file(c, dir.path()), expectedFile);
    }
    ASSERT_EQ(hosts.size(), 2);
}

TEST_F(Reception, ADrainTakesAtMostItsCapAndTheRestFollowsInOrder)
{
    start();
    observer.arm();
    sendAll(port, {numbered(0)});
    ASSERT_TRUE(observer.waitHeld());
    std::vector<QByteArray> backlog;
    for (int i = 1; i <= 300; ++i)
        backlog.push_back(numbered(i));
    sendAll(port, backlog);
    observer.release();
    ASSERT_TRUE(waitForRead(301));

    EXPECT_EQ(observer.largestDrain(), CSysLogSocket::kDrainLimit);
    EXPECT_GE(observer.drains(), 300 / CSysLogSocket::kDrainLimit + 1);
    const LogList& firewall = list(LogCategory::FireWall);
    ASSERT_EQ(firewall.size(), 301);
    for (qsizetype row = 0; row < firewall.size(); ++row)
        ASSERT_EQ(firewall.entry(row).message, QByteArray::number(300 - row));
}

TEST_F(Reception, SettingsChangedDuringADrainTakeEffectAtTheNextDatagram)
{
    QTemporaryDir otherFolder;
    test::LoopbackPeer firstTarget;
    test::LoopbackPeer secondTarget;
    start([&](ReceptionSettings& s) {
        s.replay = ReplayTarget{QStringLiteral("127.0.0.1"), firstTarget.port()};
    });
    test::LoopbackPeer router;
    test::LoopbackPeer other(QHostAddress(QStringLiteral("127.0.0.2")));

    // The thread held on a first datagram while three more queue up: the next drain reads them
    // together and is held again on the first of them.
    observer.arm();
    router.sendTo(port, "<134>Mar 14 09:26:52 gw: first");
    ASSERT_TRUE(observer.waitHeld());
    router.sendTo(port, "<134>Mar 14 09:26:53 gw: held");
    other.sendTo(port, "<134>Mar 14 09:26:54 other: chosen");
    router.sendTo(port, "<134>Mar 14 09:26:55 gw: not chosen");
    observer.arm();
    observer.release();
    ASSERT_TRUE(observer.waitHeld());
    engine.setSelectedHost(QStringLiteral("127.0.0.2"));
    engine.setFolder(otherFolder.path());
    engine.setReplay(ReplayTarget{QStringLiteral("127.0.0.1"), secondTarget.port()});
    observer.release();
    ASSERT_TRUE(waitForRead(4));
    EXPECT_EQ(observer.largestDrain(), 3); // the change came in the middle of a drain

    EXPECT_EQ(file(LogCategory::FireWall),
              "Mar 14 09:26:52\r\ngw\r\nfirst\r\nMar 14 09:26:53\r\ngw\r\nheld\r\n");
    EXPECT_EQ(file(LogCategory::FireWall, otherFolder.path()),
              "Mar 14 09:26:54\r\nother\r\nchosen\r\n");
    ASSERT_EQ(list(LogCategory::FireWall).size(), 3);
    EXPECT_EQ(list(LogCategory::FireWall).entry(0).message, "chosen");
    // Forwards keep their order: once a later one reaches the second target, every earlier one
    // has reached its own.
    other.sendTo(port, "<134>Mar 14 09:26:56 other: later");
    ASSERT_TRUE(secondTarget.waitForDatagrams(2));
    EXPECT_EQ(firstTarget.received(), (std::vector<QByteArray>{"<134>Mar 14 09:26:52 gw: first",
                                                               "<134>Mar 14 09:26:53 gw: held"}));
    EXPECT_EQ(secondTarget.received(),
              (std::vector<QByteArray>{"<134>Mar 14 09:26:54 other: chosen",
                                       "<134>Mar 14 09:26:56 other: later"}));
    EXPECT_EQ(engine.counters().filtered, 1u);
}

TEST_F(Reception, StopFreesThePortAndStartBeginsAfresh)
{
    QSignalSpy running(&engine, &ReceptionEngine::runningChanged);
    start();
    const quint16 first = port;
    sendAll(port, {numbered(1), numbered(2)});
    ASSERT_TRUE(waitForRead(2));

    engine.stop();
    EXPECT_FALSE(engine.isRunning());
    EXPECT_EQ(engine.counters().stored, 2u); // delivered before stop() returned
    {
        UdpSocket probe;
        EXPECT_TRUE(probe.open(first, htonl(INADDR_LOOPBACK))) << "the port is still held";
    }
    hosts.resetToFirst();

    start([&](ReceptionSettings& s) { s.port = first; });
    EXPECT_EQ(port, first);
    sendAll(port, {numbered(3)});
    ASSERT_TRUE(waitForRead(1));
    EXPECT_EQ(engine.counters().read, 1u);
    EXPECT_EQ(hosts.size(), 2); // the sender is new again after Stop
    ASSERT_EQ(list(LogCategory::FireWall).size(), 3);
    EXPECT_EQ(list(LogCategory::FireWall).entry(0).message, "3");
    ASSERT_EQ(running.count(), 3);
    EXPECT_EQ(running.at(1).at(0).toBool(), false);

    // A port that is taken leaves the engine stopped and says why.
    UdpSocket taken;
    ASSERT_TRUE(taken.open(0, htonl(INADDR_LOOPBACK)));
    engine.stop();
    ReceptionSettings settings;
    settings.port = taken.localPort();
    settings.address = htonl(INADDR_LOOPBACK);
    QString error;
    EXPECT_FALSE(engine.start(settings, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(engine.isRunning());
}

TEST_F(Reception, DatagramsTheSystemDroppedAreCounted)
{
    // The smallest receive buffer the system grants, filled while the thread is held.
    start([](ReceptionSettings& s) { s.receiveBufferBytes = 1; });
    observer.arm();
    sendAll(port, {numbered(0)});
    ASSERT_TRUE(observer.waitHeld());
    std::vector<QByteArray> flood;
    for (int i = 1; i <= 200; ++i)
        flood.push_back(numbered(i));
    sendAll(port, flood);
    observer.release();
    // The count of drops rides on the next datagram queued after them, sent once a drain has
    // taken what the buffer held: the counters come when that drain ends with the socket empty.
    ASSERT_TRUE(waitUntil([&] { return engine.counters().read > 1; }));
    sendAll(port, {numbered(201)});

    ASSERT_TRUE(waitUntil([&] {
        return engine.counters().read + engine.counters().kernelDrops == 202;
    })) << engine.counters().read
        << " read, " << engine.counters().kernelDrops << " dropped";
    EXPECT_GT(engine.counters().kernelDrops, 0u);
    EXPECT_EQ(list(LogCategory::FireWall).entry(0).message, "201");
}

TEST_F(Reception, ReplayForwardsWholeDatagramsWhileTheStoredTextIsCut)
{
    test::LoopbackPeer target;
    start([&](ReceptionSettings& s) {
        s.replay = ReplayTarget{QStringLiteral("127.0.0.1"), target.port()};
    });
    const QByteArray head = "<134>Mar 14 09:26:53 gw: ";
    QByteArray whole = head;
    for (int i = 0; whole.size() < 40000; ++i)
        whole += QByteArray::number(i % 10);
    test::LoopbackPeer router;
    router.sendTo(port, whole);
    router.sendTo(port, numbered(1));

    ASSERT_TRUE(target.waitForDatagrams(2));
    EXPECT_EQ(target.received()[0], whole);
    ASSERT_TRUE(waitForRead(2));
    const LogList& firewall = list(LogCategory::FireWall);
    ASSERT_EQ(firewall.size(), 2);
    EXPECT_EQ(firewall.entry(1).message, whole.mid(head.size(), 1500 - head.size()));
    EXPECT_EQ(engine.counters().cut, 1u);
    EXPECT_EQ(engine.counters().forwarded, 2u);
    EXPECT_EQ(file(LogCategory::FireWall), "Mar 14 09:26:53\r\ngw\r\n" +
                                               whole.mid(head.size(), 1500 - head.size()) +
                                               "\r\nMar 14 09:26:53\r\ngw\r\n1\r\n");
}

// A stream of datagrams a tenth of a millisecond apart, each sent as the system takes it.
void sendPaced(quint16 port, int count, int firstNumber = 0)
{
    UdpSocket sender;
    sender.open(0, htonl(INADDR_LOOPBACK));
    sockaddr_in to{};
    makeSocketAddress(QStringLiteral("127.0.0.1"), port, &to);
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < count; ++i) {
        while (clock.nsecsElapsed() < qint64(i) * 100'000)
            std::this_thread::yield();
        const QByteArray d = numbered(firstNumber + i);
        sender.sendTo(d.constData(), size_t(d.size()), to);
    }
}

TEST_F(Reception, UnderAStreamTheWindowGetsOneBatchPerIntervalWithEverythingInOrder)
{
    start();
    std::vector<qint64> arrivals;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(&engine, &ReceptionEngine::batchArrived,
                     [&] { arrivals.push_back(clock.elapsed()); });
    constexpr int kCount = 3000; // about 0.3 s
    std::thread sender([&] { sendPaced(port, kCount); });
    const bool allRead = waitForRead(kCount);
    sender.join();
    ASSERT_TRUE(allRead);

    // Deliveries start at least an interval apart; each arrival is seen after the previous
    // batch was put on the lists, which may take a moment, so the whole span is compared.
    ASSERT_GE(arrivals.size(), 2u);
    const qint64 span = arrivals.back() - arrivals.front();
    EXPECT_GE(span, qint64(arrivals.size() - 2) * ReceptionEngine::kDeliveryIntervalMs)
        << arrivals.size() << " batches in " << span << " ms";
    const LogList& firewall = list(LogCategory::FireWall);
    ASSERT_EQ(firewall.size(), kCount);
    for (qsizetype row = 0; row < firewall.size(); ++row)
        ASSERT_EQ(firewall.entry(row).message, QByteArray::number(kCount - 1 - row));
}

// How many datagrams a drain takes under a stream is measured by bench/ReceiverDrainBench.cpp.

} // namespace
} // namespace quendal
