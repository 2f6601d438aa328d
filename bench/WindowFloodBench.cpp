// Floods the real main window, drawn off screen, and reports how it keeps up:
//  1. datagrams from the traffic generator at a steady rate over loopback: entries per second,
//     losses, and the longest stall of the event loop (the window can neither repaint nor answer
//     a click during a stall);
//  2. one list filled to 1,000,000 rows through the intake: memory per row;
//  3. the cost of a row added on top at 1,000,000 rows against a list of ten;
//  4. scrolling the million-row list page by page, each step repainted at once.
//
//   quendal_window_bench [--rate 20000] [--seconds 5] [--flood-only]

#include "app/core/SettingsStore.h"
#include "app/gui/CPortSettingsDlg.h"
#include "app/gui/CSysLogDlg.h"
#include "controls/gui/CColorListCtrl.h"
#include "logs/core/AutoLogFiles.h"
#include "logs/core/LogList.h"
#include "logs/gui/CCategoryPage.h"
#include "receiver/core/CSysLogSocket.h"
#include "receiver/core/HostFilter.h"
#include "receiver/core/ReceptionBatch.h"
#include "receiver/core/ReceptionEngine.h"
#include "receiver/core/UdpSocket.h"
#include "receiver/core/WanStatus.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QUdpSocket>

#include <algorithm>
#include <arpa/inet.h>
#include <cstdio>
#include <malloc.h>

using namespace quendal;

namespace {

struct Options
{
    int rate = 20000;
    int seconds = 5;
    bool floodOnly = false;
};

Options parse(const QStringList& arguments)
{
    Options options;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--flood-only"))
            options.floodOnly = true;
        else if (i + 1 == arguments.size())
            break;
        else if (arguments[i] == QLatin1String("--rate"))
            options.rate = arguments[++i].toInt();
        else if (arguments[i] == QLatin1String("--seconds"))
            options.seconds = arguments[++i].toInt();
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

// Measures the gaps between the turns of the event loop with a 1 ms timer.
class StallMeter : public QObject
{
public:
    StallMeter()
    {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(1);
        QObject::connect(&timer_, &QTimer::timeout, this, [this] {
            const qint64 now = clock_.nsecsElapsed();
            longest_ = std::max(longest_, now - last_);
            if (now - last_ > 100'000'000)
                ++over100ms_;
            last_ = now;
        });
    }
    void start()
    {
        clock_.start();
        last_ = 0;
        longest_ = 0;
        over100ms_ = 0;
        timer_.start();
    }
    void stop() { timer_.stop(); }
    double longestMs() const { return double(longest_) / 1e6; }
    int over100ms() const { return over100ms_; }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = 0;
    qint64 longest_ = 0;
    int over100ms_ = 0;
};

// Counts the repaints of a widget.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++count;
        return false;
    }
};

void processEventsFor(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
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

void floodRun(CSysLogDlg& window, quint16 port, const Options& options)
{
    const int count = options.rate * options.seconds;
    std::printf("== Flood: %d datagrams at %d/s from the traffic generator over loopback\n", count,
                options.rate);
    PaintCounter paints(window.categoryPage(LogCategory::FireWall)->listCtrl()->viewport());
    StallMeter stalls;
    QProcess generator;
    generator.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const quint64 storedBefore = window.reception()->counters().stored;

    // A user clicks through the log tabs while the flood runs.
    QTimer clicks;
    int tab = 0;
    QObject::connect(&clicks, &QTimer::timeout, [&] {
        tab = (tab + 1) % kCategoryCount;
        window.sheet()->setCurrentIndex(tab);
    });

    stalls.start();
    clicks.start(200);
    QElapsedTimer elapsed;
    elapsed.start();
    generator.start(QStringLiteral(QUENDAL_FLOOD_BINARY),
                    {QStringLiteral("--port"), QString::number(port), QStringLiteral("--count"),
                     QString::number(count), QStringLiteral("--rate"),
                     QString::number(options.rate), QStringLiteral("--facilities"),
                     QStringLiteral("firewall,vpn,useraccess,call,wan")});
    while (generator.state() != QProcess::NotRunning)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const double sendSeconds = double(elapsed.nsecsElapsed()) / 1e9;
    // Let what is still queued in the socket come in.
    quint64 last = 0;
    do {
        last = window.reception()->counters().stored;
        processEventsFor(300);
    } while (window.reception()->counters().stored != last);
    stalls.stop();
    clicks.stop();

    const quint64 stored = window.reception()->counters().stored - storedBefore;
    std::printf("stored %llu of %d (%.2f %% lost) in %.2f s: %.0f entries/s\n",
                static_cast<unsigned long long>(stored), count,
                100.0 * double(count - qint64(stored)) / count, sendSeconds,
                double(stored) / sendSeconds);
    std::printf("dropped by the system: %llu\n",
                static_cast<unsigned long long>(window.reception()->counters().kernelDrops));
    std::printf("longest event-loop stall %.1f ms, stalls over 100 ms: %d, list repaints: %d\n",
                stalls.longestMs(), stalls.over100ms(), paints.count);
}

// The intake as the receiver thread runs it, on this thread, its batches put on the window's
// lists every 64 entries as the window puts them, and its files in the window's log folder.
class DirectIntake : public IntakeSink
{
public:
    explicit DirectIntake(CSysLogDlg& window)
        : window_(window), files_(window.settings().LogPath), socket_(targets())
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
    IntakeTargets targets()
    {
        IntakeTargets t;
        t.hosts = &hosts_;
        t.sink = this;
        t.wan = &wan_;
        t.files = &files_;
        return t;
    }

    CSysLogDlg& window_;
    HostFilter hosts_{QStringLiteral("Any")};
    WanStatus wan_;
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
    processEventsFor(50);
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
    processEventsFor(100);

    const quint16 port = freePort();
    window.OnStart();
    window.settingsDialog()->syslogPortEdit()->setText(QString::number(port));
    window.settingsDialog()->accept();
    if (!window.isRunning()) {
        std::fprintf(stderr, "window_bench: the window did not start on port %u\n", port);
        return 1;
    }

    floodRun(window, port, options);
    if (options.floodOnly)
        return 0;
    millionRun(window);
    insertRun(window);
    scrollRun(window);
    return 0;
}
