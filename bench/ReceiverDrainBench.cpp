// How many datagrams the receiver thread takes per drain under a steady stream (one datagram a
// tenth of a millisecond apart), against the stream's length: resting a moment after a drain
// that emptied the socket lets the next drain take what arrived meanwhile with one set of system
// calls. Read as each came, a drain would take one or two datagrams; the design aims at many.
//
//   quendal_drain_bench [datagrams] [reps]
#include "BenchSupport.h"
#include "common/core/UdpSocket.h"
#include "receiver/core/CSysLogSocket.h"
#include "receiver/core/ReceptionEngine.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <atomic>
#include <cstdio>
#include <thread>

using namespace quendal;

namespace {

class DrainCounter : public IntakeSink
{
public:
    void beforeDatagram() override { ++inDrain_; }
    void entryStored(LogCategory, const LogEntryView&) override {}
    void drainEnded() override
    {
        if (inDrain_ > 0)
            ++drains_;
        inDrain_ = 0;
    }
    int drains() const { return drains_; }

private:
    int inDrain_ = 0;
    std::atomic<int> drains_{0};
};

void sendPaced(quint16 port, int count)
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
        const QByteArray d = "<134>Mar 14 09:26:53 gw: " + QByteArray::number(i);
        sender.sendTo(d.constData(), size_t(d.size()), to);
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 20000;
    const int reps = argc > 2 ? std::atoi(argv[2]) : 3;
    std::printf("datagrams %d, reps %d, load before: %s\n", count, reps,
                bench::loadAverageText().constData());
    for (int rep = 0; rep < reps; ++rep) {
        QTemporaryDir dir;
        DrainCounter counter;
        ReceptionEngine engine;
        engine.setObserver(&counter);
        ReceptionSettings settings;
        settings.port = 0;
        settings.address = htonl(INADDR_LOOPBACK);
        settings.folder = dir.path();
        QString error;
        if (!engine.start(settings, &error)) {
            std::fprintf(stderr, "cannot receive: %s\n", qPrintable(error));
            return 1;
        }
        std::thread sender([&] { sendPaced(engine.localPort(), count); });
        QElapsedTimer waited;
        waited.start();
        while (engine.counters().read + engine.counters().kernelDrops < quint64(count) &&
               waited.elapsed() < 60000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        sender.join();
        engine.stop();
        const int drains = std::max(1, counter.drains());
        std::printf("rep %d: %llu read, %llu dropped, %d drains, %.1f datagrams per drain "
                    "(one per datagram read as it came: 1.0)\n",
                    rep + 1, static_cast<unsigned long long>(engine.counters().read),
                    static_cast<unsigned long long>(engine.counters().kernelDrops), drains,
                    double(engine.counters().read) / drains);
    }
    std::printf("load after: %s\n", bench::loadAverageText().constData());
    return 0;
}
