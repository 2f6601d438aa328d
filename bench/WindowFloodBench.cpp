// Floods the real main window, drawn off screen, and reports how it keeps up:
//  1. datagrams from the traffic generator at a steady rate over loopback, in reps; each rep
//     also measures, interleaved, the anchors of the same moment: the event loop's longest stall
//     with no traffic (the machine's own scheduling delay) and the same flood into the plain C
//     receiver (bench/c_receiver.c) and into the headless receiver. Reported per rep: the
//     sender's pace, entries stored and in the files, losses, and the longest stall of the event
//     loop (the window can neither repaint nor answer a click during a stall); then the window's
//     figures as ratios to the anchors, with their range over the reps;
//  2. one list filled to 1,000,000 rows through the intake: memory per row;
//  3. the cost of a row added on top at 1,000,000 rows against a list of ten;
//  4. scrolling the million-row list page by page, each step repainted at once.
//
//   quendal_window_bench [--rate 20000] [--seconds 5] [--reps 1] [--flood-only]
//                        [--no-anchors]

#include "BenchSupport.h"
#include "EventLoopMeter.h"
#include "app/core/SettingsStore.h"
#include "app/gui/CPortSettingsDlg.h"
#include "app/gui/CSysLogDlg.h"
#include "common/core/UdpSocket.h"
#include "controls/gui/CColorListCtrl.h"
#include "logs/core/AutoLogFiles.h"
#include "logs/core/LogList.h"
#include "logs/gui/CCategoryPage.h"
#include "receiver/core/CSysLogSocket.h"
#include "receiver/core/HostFilter.h"
#include "receiver/core/ReceptionBatch.h"
#include "receiver/core/ReceptionEngine.h"
#include "receiver/core/WanStatus.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QUdpSocket>

#include <algorithm>
#include <arpa/inet.h>
#include <cstdio>
#include <fcntl.h>
#include <malloc.h>
#include <signal.h>
#include <unistd.h>
#include <vector>

using namespace quendal;

namespace {

struct Options
{
    int rate = 20000;
    int seconds = 5;
    int reps = 1;
    bool floodOnly = false;
    bool anchors = true;
};

Options parse(const QStringList& arguments)
{
    Options options;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--flood-only"))
            options.floodOnly = true;
        else if (arguments[i] == QLatin1String("--no-anchors"))
            options.anchors = false;
        else if (i + 1 == arguments.size())
            break;
        else if (arguments[i] == QLatin1String("--rate"))
            options.rate = arguments[++i].toInt();
        else if (arguments[i] == QLatin1String("--seconds"))
            options.seconds = arguments[++i].toInt();
        else if (arguments[i] == QLatin1String("--reps"))
            options.reps = std::max(1, arguments[++i].toInt());
    }
    return options;
}

// Bytes the allocator has handed out, including the large blocks it maps on their own.
size_t heapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

quint16 freePort()
{
    QUdpSocket probe;
    probe.bind(QHostAddress::LocalHost, 0);
    return probe.localPort();
}

// The sender of the datagrams handed straight to the intake.
sockaddr_in routerOnLoopback()
{
    sockaddr_in from{};
    makeSocketAddress(QStringLiteral("127.0.0.1"), 40000, &from);
    return from;
}

QByteArray datagram(int facility, qint64 i)
{
    return QByteArray("<") + QByteArray::number(facility * 8 + int(i % 8)) +
           QByteArray(">Dec  7 06:07:01 gateway: IN=eth0 OUT=ppp0 SRC=192.168.1.") +
           QByteArray::number(i % 250) + QByteArray(" DST=8.8.8.8 LEN=60 PROTO=TCP SPT=") +
           QByteArray::number(1024 + i % 60000) + QByteArray(" DPT=443 SYN entry ") +
           QByteArray::number(i);
}

// Entries in the automatic files of `folder`: three lines each.
qint64 entriesInFiles(const QString& folder)
{
    qint64 lines = 0;
    const QDir dir(folder);
    for (LogCategory c : kAllCategories) {
        QFile file(dir.filePath(autoLogFileName(c)));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        while (!file.atEnd()) {
            const QByteArray block = file.read(1 << 20);
            lines += block.count('\n');
        }
    }
    return lines / 3;
}

// Bytes in the automatic files of `folder`: cheap enough to watch them grow.
qint64 bytesInFiles(const QString& folder)
{
    qint64 bytes = 0;
    for (LogCategory c : kAllCategories)
        bytes += QFileInfo(QDir(folder).filePath(autoLogFileName(c))).size();
    return bytes;
}

// One flood from the traffic generator; returns the pace it reached, per second.
class Flood
{
public:
    Flood(quint16 port, int count, int rate)
    {
        generator_.start(
            QStringLiteral(QUENDAL_FLOOD_BINARY),
            {QStringLiteral("--port"), QString::number(port), QStringLiteral("--count"),
             QString::number(count), QStringLiteral("--rate"), QString::number(rate),
             QStringLiteral("--facilities"), QStringLiteral("firewall,vpn,useraccess,call,wan")});
    }
    // Runs the event loop until the generator has sent everything.
    void runEventLoopUntilSent()
    {
        QEventLoop loop;
        QObject::connect(&generator_, &QProcess::finished, &loop, &QEventLoop::quit);
        if (generator_.state() != QProcess::NotRunning)
            loop.exec();
    }
    double pace()
    {
        generator_.waitForFinished(-1);
        static const QRegularExpression perSecond(QStringLiteral("([0-9]+) per second"));
        const auto match =
            perSecond.match(QString::fromLocal8Bit(generator_.readAllStandardError()));
        return match.hasMatch() ? match.captured(1).toDouble() : 0;
    }

private:
    QProcess generator_;
};

struct FloodResult
{
    double pace = 0;       // datagrams per second the sender reached
    qint64 stored = 0;     // entries the receiver stored
    qint64 inFiles = 0;    // entries found in its files
    quint64 drops = 0;     // datagrams the system dropped
    double stallMs = 0;    // the window's longest event-loop stall
    double ownStallMs = 0; // the same less the time its thread waited for a CPU
    int paints = 0;        // repaints of the first list
};

// The window's event loop, measured while a user clicks through the log tabs.
class UserAtTheWindow
{
public:
    explicit UserAtTheWindow(CSysLogDlg& window)
    {
        QObject::connect(&clicks_, &QTimer::timeout, [this, &window] {
            tab_ = (tab_ + 1) % kCategoryCount;
            window.sheet()->setCurrentIndex(tab_);
        });
        stalls_.start();
        clicks_.start(200);
    }
    void stop(FloodResult& r)
    {
        stalls_.stop();
        clicks_.stop();
        r.stallMs = stalls_.longestMs();
        r.ownStallMs = stalls_.longestOwnMs();
    }

private:
    bench::StallMeter stalls_;
    QTimer clicks_;
    int tab_ = 0;
};

// The same flood into a receiver of another program (the plain C loop or the headless receiver),
// its files in a folder of their own; `ready` is what it prints on standard error once bound.
// The window, receiving nothing, is measured meanwhile: its stalls under the same load.
FloodResult anchorRun(CSysLogDlg& window, const QString& program, const QStringList& arguments,
                      const QString& folder, quint16 port, int count, int rate,
                      const QString& ready)
{
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    QProcess receiver;
    receiver.start(program, arguments);
    QByteArray err;
    QElapsedTimer waited;
    waited.start();
    while (!err.contains(ready.toLocal8Bit()) && waited.elapsed() < 10'000 &&
           receiver.state() != QProcess::NotRunning) {
        receiver.waitForReadyRead(100);
        err += receiver.readAllStandardError();
    }
    FloodResult r;
    UserAtTheWindow user(window);
    Flood flood(port, count, rate);
    flood.runEventLoopUntilSent();
    r.pace = flood.pace();
    bench::waitUntilSettled([&] { return bytesInFiles(folder); });
    user.stop(r);
    receiver.terminate();
    receiver.waitForFinished(10'000);
    err += receiver.readAllStandardError();
    r.inFiles = entriesInFiles(folder);
    r.stored = r.inFiles;
    static const QRegularExpression drops(QStringLiteral("dropped by the system: ([0-9]+)"));
    if (const auto m = drops.match(QString::fromLocal8Bit(err)); m.hasMatch())
        r.drops = m.captured(1).toULongLong();
    return r;
}

FloodResult windowRun(CSysLogDlg& window, quint16 port, int count, int rate)
{
    bench::PaintCounter paints(window.categoryPage(LogCategory::FireWall)->listCtrl()->viewport());
    const quint64 storedBefore = window.reception()->counters().stored;
    const quint64 dropsBefore = window.reception()->counters().kernelDrops;
    const qint64 filesBefore = entriesInFiles(window.settings().LogPath);

    UserAtTheWindow user(window);
    Flood flood(port, count, rate);
    flood.runEventLoopUntilSent();
    FloodResult r;
    r.pace = flood.pace();
    // Let what is still queued in the socket come in.
    bench::waitUntilSettled([&] { return qint64(window.reception()->counters().stored); });
    user.stop(r);
    // The files are written by the receiver thread at the end of each drain.
    bench::waitUntilSettled([&] { return bytesInFiles(window.settings().LogPath); });

    r.stored = qint64(window.reception()->counters().stored - storedBefore);
    r.inFiles = entriesInFiles(window.settings().LogPath) - filesBefore;
    r.drops = window.reception()->counters().kernelDrops - dropsBefore;
    r.paints = paints.count;
    return r;
}

void printRange(const char* what, std::vector<double> v, const char* unit)
{
    if (v.empty())
        return;
    std::sort(v.begin(), v.end());
    std::printf("  %-46s median %8.3f%s  range %.3f .. %.3f  (%zu reps)\n", what, v[v.size() / 2],
                unit, v.front(), v.back(), v.size());
}

void floodRun(CSysLogDlg& window, quint16 port, const Options& options, const QString& work)
{
    const int count = options.rate * options.seconds;
    std::printf("== Flood: %d datagrams at %d/s from the traffic generator over loopback, %d "
                "reps, load %.2f\n",
                count, options.rate, options.reps, bench::loadAverage());
    std::printf("(the stalls are the window's, also while an anchor receives; \"own\" is a "
                "stall less the time the thread waited for a CPU)\n");
    std::printf("%-4s %-9s %9s %9s %9s %8s %8s %9s %8s %8s\n", "rep", "receiver", "sent/s",
                "stored", "in files", "lost", "drops", "stall ms", "own ms", "repaints");
    const auto row = [&](int rep, const char* who, const FloodResult& r) {
        std::printf("%-4d %-9s %9.0f %9lld %9lld %8lld %8llu %9.1f %8.1f %8d\n", rep, who, r.pace,
                    static_cast<long long>(r.stored), static_cast<long long>(r.inFiles),
                    static_cast<long long>(count - r.stored),
                    static_cast<unsigned long long>(r.drops), r.stallMs, r.ownStallMs, r.paints);
    };
    std::vector<double> windowLoss, storedToC, storedToHeadless, stalls, ownStalls, stallToHeadless,
        paceToHeadless;
    int fullReps = 0;
    for (int rep = 1; rep <= options.reps; ++rep) {
        FloodResult c, headless;
        if (options.anchors) {
            const quint16 cPort = freePort();
            c = anchorRun(window, QStringLiteral(QUENDAL_C_RECEIVER_BINARY),
                          {QString::number(cPort), work + QStringLiteral("/c-loop"),
                           QString::number(CSysLogSocket::kReceiveBufferBytes)},
                          work + QStringLiteral("/c-loop"), cPort, count, options.rate,
                          QStringLiteral("ready"));
            row(rep, "c-loop", c);
            const quint16 hPort = freePort();
            headless = anchorRun(window, QStringLiteral(QUENDAL_HEADLESS_BINARY),
                                 {QStringLiteral("--headless"), QStringLiteral("--port"),
                                  QString::number(hPort), QStringLiteral("--log-dir"),
                                  work + QStringLiteral("/headless")},
                                 work + QStringLiteral("/headless"), hPort, count, options.rate,
                                 QStringLiteral("receiving syslog"));
            row(rep, "headless", headless);
        }
        const FloodResult w = windowRun(window, port, count, options.rate);
        row(rep, "window", w);
        if (w.stored == count && w.inFiles == count)
            ++fullReps;
        windowLoss.push_back(100.0 * double(count - w.stored) / count);
        stalls.push_back(w.stallMs);
        ownStalls.push_back(w.ownStallMs);
        if (c.stored > 0)
            storedToC.push_back(double(w.stored) / double(c.stored));
        if (headless.stored > 0) {
            storedToHeadless.push_back(double(w.stored) / double(headless.stored));
            paceToHeadless.push_back(w.pace / headless.pace);
            if (headless.stallMs > 0)
                stallToHeadless.push_back(w.stallMs / headless.stallMs);
        }
    }
    std::printf("window: every entry stored and in the files in %d of %d reps; load %.2f\n",
                fullReps, options.reps, bench::loadAverage());
    printRange("window loss", windowLoss, " %");
    printRange("window entries / c-loop entries", storedToC, "");
    printRange("window entries / headless entries", storedToHeadless, "");
    printRange("sender's pace: window / headless", paceToHeadless, "");
    printRange("window longest stall", stalls, " ms");
    printRange("window longest own stall (less CPU wait)", ownStalls, " ms");
    printRange("longest stall: receiving / while headless receives", stallToHeadless, "");
}

// The intake as the receiver thread runs it, on this thread, its batches put on the window's
// lists every 64 entries as the window puts them, and its files in the window's log folder.
class DirectIntake : public IntakeSink
{
public:
    explicit DirectIntake(CSysLogDlg& window)
        : window_(window), files_(window.settings().LogPath), socket_(*this, IntakeOutputs{&files_})
    {}
    ~DirectIntake() override { flush(); }

    void takeIn(const QByteArray& datagram, const sockaddr_in& from)
    {
        socket_.takeIn(datagram, from);
        if (++count_ % 64 == 0)
            flush();
    }
    void flush()
    {
        for (LogCategory c : kAllCategories) {
            LogRows& rows = batch_.rows[size_t(categoryIndex(c))];
            if (!rows.isEmpty())
                window_.list(c)->prependAll(std::move(rows));
        }
    }
    void entryStored(LogCategory c, const LogEntryView& entry) override
    {
        batch_.rows[size_t(categoryIndex(c))].prepend(entry);
    }

private:
    CSysLogDlg& window_;
    AutoLogFiles files_;
    ReceptionBatch batch_;
    CSysLogSocket socket_;
    quint64 count_ = 0;
};

void millionRun(CSysLogDlg& window)
{
    std::printf("== One list filled to 1,000,000 rows through the intake\n");
    window.sheet()->setCurrentIndex(int(LogCategory::FireWall));
    LogList* list = window.list(LogCategory::FireWall);
    DirectIntake intake(window);
    const sockaddr_in from = routerOnLoopback();

    const qsizetype start = list->size();
    const size_t heapBefore = heapInUse();
    size_t textBytes = 0;
    QElapsedTimer t;
    t.start();
    for (qint64 i = 0; list->size() < 1'000'000; ++i) {
        const QByteArray d = datagram(16, i);
        intake.takeIn(d, from);
        textBytes += size_t(d.size() - 5 - 1 - 2); // less the prefix, separator and ": "
        if (i % 10'000 == 0)
            QCoreApplication::processEvents();
    }
    intake.flush();
    const double fillSeconds = double(t.nsecsElapsed()) / 1e9;
    bench::processEventsFor(50);
    const size_t heapAfter = heapInUse();
    const double rows = double(list->size() - start);
    std::printf("filled in %.2f s (%.0f entries/s, log file written per entry)\n", fillSeconds,
                rows / fillSeconds);
    std::printf("memory per row: %.1f bytes in all, of which %.1f bytes text and %.1f bytes "
                "overhead\n",
                double(heapAfter - heapBefore) / rows, double(textBytes) / rows,
                (double(heapAfter - heapBefore) - double(textBytes)) / rows);
}

// Microseconds per entry added on top of `category`'s list while it is on screen.
double insertCost(CSysLogDlg& window, LogCategory category, int facility)
{
    window.sheet()->setCurrentIndex(int(category));
    DirectIntake intake(window);
    const sockaddr_in from = routerOnLoopback();
    constexpr int kEntries = 20'000;
    std::vector<QByteArray> datagrams;
    for (int i = 0; i < kEntries; ++i)
        datagrams.push_back(datagram(facility, i));
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < kEntries; ++i) {
        intake.takeIn(datagrams[size_t(i)], from);
        if (i % 100 == 0) // a repaint every hundred entries, as a busy event loop would
            window.categoryPage(category)->listCtrl()->viewport()->repaint();
    }
    return double(t.nsecsElapsed()) / 1e3 / kEntries;
}

void insertRun(CSysLogDlg& window)
{
    std::printf("== A row added on top, with repaints, at 1,000,000 rows and at ten\n");
    const double atMillion = insertCost(window, LogCategory::FireWall, 16);
    window.list(LogCategory::Call)->clear();
    const double atTen = insertCost(window, LogCategory::Call, 19);
    std::printf("%.2f us per entry at 1,000,000 rows, %.2f us per entry on a short list\n",
                atMillion, atTen);
}

void scrollRun(CSysLogDlg& window)
{
    std::printf("== Scrolling the million-row list\n");
    window.sheet()->setCurrentIndex(int(LogCategory::FireWall));
    CColorListCtrl* list = window.categoryPage(LogCategory::FireWall)->listCtrl();
    QScrollBar* bar = list->verticalScrollBar();
    constexpr int kSteps = 2000;
    qint64 longest = 0;
    QElapsedTimer all;
    all.start();
    for (int i = 0; i < kSteps; ++i) {
        QElapsedTimer step;
        step.start();
        bar->setValue(i % 2 ? bar->value() + bar->pageStep() * 97 : bar->value() + bar->pageStep());
        list->viewport()->repaint();
        longest = std::max(longest, step.nsecsElapsed());
    }
    std::printf("%d page steps across %d rows: %.3f ms per repainted step, longest %.2f ms\n",
                kSteps, bar->maximum() + bar->pageStep(), double(all.nsecsElapsed()) / 1e6 / kSteps,
                double(longest) / 1e6);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toLocal8Bit());
    QApplication app(argc, argv);
    const Options options = parse(QCoreApplication::arguments());

    SettingsStore store(home.filePath(QStringLiteral("settings.ini")));
    store.store(home.path(), std::nullopt);
    MainWindowOptions windowOptions;
    windowOptions.store = &store;
    // The Client page's router search goes to the discard port on loopback, not the network.
    windowOptions.routerSearch = RouterSearchTarget{QHostAddress(QHostAddress::LocalHost), 9};
    windowOptions.listenAddress = htonl(INADDR_LOOPBACK);
    CSysLogDlg window(windowOptions);
    window.show();
    bench::processEventsFor(100);

    const quint16 port = freePort();
    window.OnStart();
    window.settingsDialog()->syslogPortEdit()->setText(QString::number(port));
    window.settingsDialog()->accept();
    if (!window.isRunning()) {
        std::fprintf(stderr, "window_bench: the window did not start on port %u\n", port);
        return 1;
    }

    floodRun(window, port, options, home.filePath(QStringLiteral("anchors")));
    if (options.floodOnly)
        return 0;
    millionRun(window);
    insertRun(window);
    scrollRun(window);
    return 0;
}
