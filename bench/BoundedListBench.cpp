// Pushes many entries through the five category lists of a window's size, each bounded, each
// with its list view on screen (off screen), and reports the resident memory of the process as
// it goes: once every list is full it must stay flat, however many entries follow.
//
//   quendal_bounded_list_bench [--entries 20000000] [--bound 1000000] [--batch 64]
//                              [--single]
//
// Entries arrive in batches put on top with prependAll, as the window applies what its receiver
// thread hands over; --single adds them one by one with prepend instead. The anchor of every
// figure is the same run's own state when the lists have just become full: resident memory as a
// ratio to it, and the cost of an entry as a ratio to the cost while the lists were filling.

#include "controls/gui/CColorListCtrl.h"
#include "logs/core/LogList.h"

#include <QApplication>
#include <QFile>
#include <QTabWidget>

#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>
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
};

Options parse(const QStringList& arguments)
{
    Options options;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--single"))
            options.single = true;
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

double loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? file.readAll().split(' ').value(0).toDouble() : 0;
}

// A firewall line of the usual length (about 110 bytes), different for every entry.
QByteArray message(qint64 i)
{
    return QByteArray("IN=eth0 OUT=ppp0 SRC=192.168.1.") + QByteArray::number(i % 250) +
           QByteArray(" DST=8.8.8.8 LEN=60 PROTO=TCP SPT=") + QByteArray::number(1024 + i % 60000) +
           QByteArray(" DPT=443 SYN entry ") + QByteArray::number(i);
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
                loadAverage());
    const double startMiB = residentMiB();
    std::printf("resident at start: %.1f MiB\n", startMiB);

    const auto allFull = [&] {
        return std::all_of(lists.begin(), lists.end(),
                           [&](const LogList* l) { return l->size() >= options.bound; });
    };

    const qint64 cpuStart = cpuNanoseconds();
    qint64 fullAt = -1;
    double fullMiB = 0;
    double fillNsPerEntry = 0;
    qint64 fullClock = 0;
    double lowestRatio = 1e9;
    double highestRatio = 0;
    qint64 nextReport = 0;
    const qint64 step = std::max<qint64>(1, options.entries / 10);

    std::array<LogRows, 5> batches;
    qint64 i = 0;
    while (i < options.entries) {
        // One round: a batch for each list, as one drain of the receiver would bring.
        for (size_t c = 0; c < lists.size() && i < options.entries; ++c) {
            for (int b = 0; b < options.batch && i < options.entries; ++b, ++i) {
                const QByteArray text = message(i);
                const LogEntryView entry{"Dec  7 06:07:01", "gateway", text,
                                         i % 50 == 0 ? RED : DEF_TEXT};
                if (options.single)
                    lists[c]->prepend(entry);
                else
                    batches[c].prepend(entry);
            }
            if (!options.single)
                lists[c]->prependAll(std::move(batches[c]));
        }
        QCoreApplication::processEvents();

        if (fullAt < 0 && allFull()) {
            fullAt = i;
            fullClock = cpuNanoseconds();
            fillNsPerEntry = double(fullClock - cpuStart) / double(i);
            fullMiB = residentMiB();
            std::printf("all lists full after %lld entries: resident %.1f MiB (the anchor), "
                        "text chunks %.1f MiB per list\n",
                        static_cast<long long>(i), fullMiB,
                        double(lists[0]->rows().textBytesReserved()) / (1024.0 * 1024.0));
            nextReport = i + step;
        } else if (fullAt >= 0 && i >= nextReport) {
            const double mib = residentMiB();
            const double ratio = mib / fullMiB;
            lowestRatio = std::min(lowestRatio, ratio);
            highestRatio = std::max(highestRatio, ratio);
            std::printf("after %11lld entries: resident %.1f MiB = %.3f of the anchor\n",
                        static_cast<long long>(i), mib, ratio);
            nextReport += step;
        }
    }
    const double endMiB = residentMiB();
    if (fullAt < 0) {
        std::printf("the lists never filled: %.1f MiB at the end\n", endMiB);
        return 1;
    }
    const double endRatio = endMiB / fullMiB;
    lowestRatio = std::min(lowestRatio, endRatio);
    highestRatio = std::max(highestRatio, endRatio);
    const double fullNsPerEntry =
        double(cpuNanoseconds() - fullClock) / double(std::max<qint64>(1, i - fullAt));
    std::printf("at the end: resident %.1f MiB = %.3f of the anchor; range after full %.3f to "
                "%.3f (%s within 10 %%)\n",
                endMiB, endRatio, lowestRatio, highestRatio,
                highestRatio <= 1.10 && lowestRatio >= 0.90 ? "flat" : "NOT");
    std::printf("CPU per entry: %.0f ns while filling, %.0f ns once full (%.2f times); "
                "load %.1f\n",
                fillNsPerEntry, fullNsPerEntry, fullNsPerEntry / fillNsPerEntry, loadAverage());
    return highestRatio <= 1.10 && lowestRatio >= 0.90 ? 0 : 1;
}
