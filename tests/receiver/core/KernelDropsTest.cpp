// Datagrams the system dropped for want of buffer space are counted when a count is shown, also
// when no datagram came after them.
#include "ReceptionTestSupport.h"
#include "support/TestSupport.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

namespace quendal {
namespace {

using test::numbered;

struct NoSink : IntakeSink
{
    void entryStored(LogCategory, const LogEntryView&) override {}
};

std::vector<QByteArray> flood(int count)
{
    std::vector<QByteArray> out;
    for (int i = 0; i < count; ++i)
        out.push_back(numbered(i) + QByteArray(400, 'x'));
    return out;
}

TEST(KernelDrops, CountedAtCloseThoughNothingWasReadAfterThem)
{
    NoSink sink;
    CSysLogSocket socket(sink);
    QString error;
    // The smallest buffer the system grants; the event loop never runs, so nothing is read.
    ASSERT_TRUE(socket.Create(0, &error, htonl(INADDR_LOOPBACK), 1)) << qPrintable(error);
    test::sendAll(socket.localPort(), flood(2000));
    socket.Close();
    EXPECT_EQ(socket.counters().read, 0u);
    EXPECT_GT(socket.counters().kernelDrops, 0u);
}

TEST(KernelDrops, TheEngineTellsThemWhileItsThreadIsBusy)
{
    test::ReceiverGate gate;
    ReceptionEngine engine;
    engine.setObserver(&gate);
    quint16 port = 0;
    ASSERT_TRUE(test::startEngine(
        engine, {},
        [](ReceptionSettings& s) {
            s.port = 0;
            s.listenAddress = QStringLiteral("127.0.0.1");
            s.receiveBufferBytes = 1;
        },
        port));
    gate.arm();
    test::sendAll(port, {numbered(0)});
    ASSERT_TRUE(gate.waitHeld());
    // The receiver thread reads nothing more until released: the drops are the kernel's word.
    test::sendAll(port, flood(2000));
    const quint64 drops = engine.counters().kernelDrops;
    EXPECT_GT(drops, 0u);
    gate.open();
    EXPECT_TRUE(test::waitUntil([&] {
        const IntakeCounters c = engine.counters();
        return c.read + c.kernelDrops == 2001;
    }));
    engine.stop();
    EXPECT_GE(engine.counters().kernelDrops, drops);
}

} // namespace
} // namespace quendal
