// Pushes many entries through the five category lists of a window's size, each bounded, each
// with its list view on screen (off screen), and reports the resident memory of the process as
// it goes: once every list is full it must stay flat, however many entries follow.
//
//   quendal_bounded_list_bench [--entries 20000000] [--bound 1000000] [--batch 64]
//                              [--single | --through-engine]
//
// Entries arrive in batches put on top with prependAll, as the window applies what its receiver
// thread hands over; --single adds them one by one with prepend instead. --through-engine takes
// the window's whole road instead: datagrams sent over loopback (paced by what the receiver has
// read, so none is dropped) to a reception engine on its thread, which splits them, writes the
// automatic files and hands its batches to the lists through a ReceptionView. The anchor of every
// figure is the same run's own state when the lists have just become full: resident memory as a
// ratio to it, and the cost of an entry as a ratio to the cost while the lists were filling.

#include "BenchSupport.h"
#include "common/core/UdpSocket.h"
#include "controls/gui/CColorListCtrl.h"
#include "logs/core/LogList.h"
#include "receiver/core/HostList.h"
#include "receiver/core/ReceptionEngine.h"
#include "receiver/core/ReceptionView.h"
#include "receiver/core/WanStatus.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <arpa/inet.h>
#include <array>
#include <atomic>
#include <cstdio>
#include <ctime>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace quendal;

namespace {

struct Options
{
    qint64 entries = 20'000'000;
    qsizetype bound = 1'000'000;
    int batch = 64;
    bool single = false;
    bool throughEngine = false;
};

Options parse(const QStringList& arguments)
{
    Options options;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--single"))
            options.single = true;
        else if (arguments[i] == QLatin1String("--through-engine"))
            options.throughEngine = true;
        else if (i + 1 == arguments.size())
            break;
        else if (arguments[i] == QLatin1String("--entries"))
            options.entries = arguments[++i].toLongLong();
        else if (arguments[i] == QLatin1String("--bound"))
            options.bound = arguments[++i].toLongLong();
        else if (arguments[i] == QLatin1String("--batch"))
            options.batch = std::max(1, arguments[++i].toInt());
    }
    return options;
}

// Resident memory of this process in MiB, from /proc/self/statm (its second field, in pages).
double residentMiB()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    if (fields.size() < 2)
        return 0;
    return double(fields[1].toLongLong()) * double(::sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// CPU time of this process in nanoseconds: on a shared, loaded machine wall time mostly measures
// the other processes.
qint64 cpuNanoseconds()
{
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

// A firewall line of the usual length (about 110 bytes), different for every entry.
QByteArray message(qint64 i)
{
    return QByteArray("IN=eth0 OUT=ppp0 SRC=192.168.1.") + QByteArray::number(i % 250) +
           QByteArray(" DST=8.8.8.8 LEN=60 PROTO=TCP SPT=") + QByteArray::number(1024 + i % 60000) +
           QByteArray(" DPT=443 SYN entry ") + QByteArray::number(i);
}

// Resident memory as the entries go through: the anchor is its value when every list has just
// become full; from then on each tenth of the entries is reported as a ratio to it.
class Tracker
{
public:
    Tracker(const Options& options, const std::array<LogList*, 5>& lists)
        : options_(options), lists_(lists), cpuStart_(cpuNanoseconds()),
          step_(std::max<qint64>(1, options.entries / 10))
    {}

    void check(qint64 i)
    {
        if (fullAt_ < 0 && allFull()) {
            fullAt_ = i;
            fullClock_ = cpuNanoseconds();
            fillNsPerEntry_ = double(fullClock_ - cpuStart_) / double(i);
            fullMiB_ = residentMiB();
            std::printf("all lists full after %lld entries: resident %.1f MiB (the anchor), "
                        "text chunks %.1f MiB per list\n",
                        static_cast<long long>(i), fullMiB_,
                        double(lists_[0]->rows().textBytesReserved()) / (1024.0 * 1024.0));
            nextReport_ = i + step_;
        } else if (fullAt_ >= 0 && i >= nextReport_) {
            const double mib = residentMiB();
            const double ratio = mib / fullMiB_;
            lowestRatio_ = std::min(lowestRatio_, ratio);
            highestRatio_ = std::max(highestRatio_, ratio);
            std::printf("after %11lld entries: resident %.1f MiB = %.3f of the anchor\n",
                        static_cast<long long>(i), mib, ratio);
            nextReport_ += step_;
        }
        std::fflush(stdout);
    }

    int finish(qint64 i)
    {
        const double endMiB = residentMiB();
        if (fullAt_ < 0) {
            std::printf("the lists never filled: %.1f MiB at the end\n", endMiB);
            return 1;
        }
        const double endRatio = endMiB / fullMiB_;
        lowestRatio_ = std::min(lowestRatio_, endRatio);
        highestRatio_ = std::max(highestRatio_, endRatio);
        const double fullNsPerEntry =
            double(cpuNanoseconds() - fullClock_) / double(std::max<qint64>(1, i - fullAt_));
        const bool flat = highestRatio_ <= 1.10 && lowestRatio_ >= 0.90;
        std::printf("at the end: resident %.1f MiB = %.3f of the anchor; range after full %.3f "
                    "to %.3f (%s within 10 %%)\n",
                    endMiB, endRatio, lowestRatio_, highestRatio_, flat ? "flat" : "NOT");
        std::printf("CPU per entry: %.0f ns while filling, %.0f ns once full (%.2f times); "
                    "load %.1f\n",
                    fillNsPerEntry_, fullNsPerEntry, fullNsPerEntry / fillNsPerEntry_,
                    bench::loadAverage());
        return flat ? 0 : 1;
    }

private:
    bool allFull() const
    {
        return std::all_of(lists_.begin(), lists_.end(),
                           [&](const LogList* l) { return l->size() >= options_.bound; });
    }

    const Options& options_;
    const std::array<LogList*, 5>& lists_;
    qint64 cpuStart_;
    qint64 step_;
    qint64 fullAt_ = -1;
    double fullMiB_ = 0;
    double fillNsPerEntry_ = 0;
    qint64 fullClock_ = 0;
    double lowestRatio_ = 1e9;
    double highestRatio_ = 0;
    qint64 nextReport_ = 0;
};

// Counts, on the receiver thread, the datagrams it has begun to take in.
class TakenCounter : public IntakeSink
{
public:
    void beforeDatagram() override { taken.fetch_add(1, std::memory_order_relaxed); }
    void entryStored(LogCategory, const LogEntryView&) override {}
    std::atomic<qint64> taken{0};
};

// The entries as datagrams through a reception engine into the lists, as the window receives.
int throughEngine(const Options& options, const std::array<LogList*, 5>& lists, Tracker& tracker)
{
    QTemporaryDir folder;
    HostList hosts(QStringLiteral("Any"));
    WanStatus wan;
    TakenCounter counter;
    ReceptionEngine engine;
    engine.setObserver(&counter);
    std::array<LogList*, kCategoryCount> targets{};
    std::copy(lists.begin(), lists.end(), targets.begin());
    ReceptionView view(&engine, &hosts, targets, &wan);
    ReceptionSettings settings;
    settings.port = 0;
    settings.address = htonl(INADDR_LOOPBACK);
    settings.folder = folder.path();
    QString error;
    if (!engine.start(settings, &error)) {
        std::printf("cannot receive: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("through a reception engine on 127.0.0.1:%u, files in %s\n", engine.localPort(),
                qPrintable(folder.path()));

    // Never more in flight than a fraction of what the receive buffer holds: nothing is dropped.
    constexpr qint64 kInFlight = 2000;
    std::atomic<bool> sent{false};
    std::thread sender([&] {
        UdpSocket socket;
        socket.open(0, htonl(INADDR_LOOPBACK));
        sockaddr_in to{};
        makeSocketAddress(QStringLiteral("127.0.0.1"), engine.localPort(), &to);
        QByteArray d;
        for (qint64 i = 0; i < options.entries; ++i) {
            while (i - counter.taken.load(std::memory_order_relaxed) >= kInFlight)
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            // A batch's worth for each category in turn, an emergency now and then.
            const int facility = 16 + int((i / options.batch) % 5);
            d = "<" + QByteArray::number(facility * 8 + (i % 50 == 0 ? 0 : 6)) +
                ">Dec  7 06:07:01 gateway: " + message(i);
            socket.sendTo(d.constData(), size_t(d.size()), to);
        }
        sent = true;
    });

    QEventLoop loop;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 stored = qint64(engine.counters().stored);
        tracker.check(stored);
        if (sent && stored + qint64(engine.counters().kernelDrops) >= options.entries)
            loop.quit();
    });
    tick.start(100);
    loop.exec();
    sender.join();
    engine.stop();
    std::printf("stored %llu, dropped by the system %llu\n",
                static_cast<unsigned long long>(engine.counters().stored),
                static_cast<unsigned long long>(engine.counters().kernelDrops));
    return tracker.finish(qint64(engine.counters().stored));
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const Options options = parse(QCoreApplication::arguments());

    QTabWidget window;
    std::array<LogList*, 5> lists{};
    for (size_t c = 0; c < lists.size(); ++c) {
        lists[c] = new LogList(&window);
        lists[c]->setMaxRows(options.bound);
        auto* view = new CColorListCtrl(3, &window);
        view->setList(lists[c]);
        window.addTab(view, QStringLiteral("List %1").arg(c));
    }
    window.resize(1000, 600);
    window.show();
    QCoreApplication::processEvents();

    std::printf("== %lld entries through 5 lists of at most %lld rows each, %s, load %.1f\n",
                static_cast<long long>(options.entries), static_cast<long long>(options.bound),
                options.single ? "one by one"
                               : qPrintable(QStringLiteral("in batches of %1").arg(options.batch)),
                bench::loadAverage());
    const double startMiB = residentMiB();
    std::printf("resident at start: %.1f MiB\n", startMiB);

    Tracker tracker(options, lists);
    if (options.throughEngine)
        return throughEngine(options, lists, tracker);

    std::array<LogRows, 5> batches;
    qint64 i = 0;
    while (i < options.entries) {
        // One round: a batch for each list, as one drain of the receiver would bring.
        for (size_t c = 0; c < lists.size() && i < options.entries; ++c) {
            for (int b = 0; b < options.batch && i < options.entries; ++b, ++i) {
                const QByteArray text = message(i);
                const LogEntryView entry{"Dec  7 06:07:01", "gateway", text,
                                         i % 50 == 0 ? Severity::Emergency : Severity::Notice};
                if (options.single)
                    lists[c]->prepend(entry);
                else
                    batches[c].prepend(entry);
            }
            if (!options.single)
                lists[c]->prependAll(std::move(batches[c]));
        }
        QCoreApplication::processEvents();
        tracker.check(i);
    }
    return tracker.finish(i);
}
