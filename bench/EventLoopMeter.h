#pragma once

// How the event loop of a benchmark's window keeps up: its stalls and repaints, and turning it
// the way the application does.
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QObject>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace quendal::bench {

// Measures the gaps between the turns of the event loop with a 1 ms timer. Each gap is split by
// the thread's scheduler statistics (/proc/thread-self/schedstat) into the time it waited for a
// CPU, which on a loaded machine is the other processes' doing, and the rest: the event loop's
// own work. The longest gap and the longest own part are kept.
class StallMeter : public QObject
{
public:
    StallMeter() : schedstat_(::open("/proc/thread-self/schedstat", O_RDONLY | O_CLOEXEC))
    {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(1);
        QObject::connect(&timer_, &QTimer::timeout, this, [this] {
            const qint64 now = clock_.nsecsElapsed();
            const qint64 waited = runQueueWait();
            const qint64 gap = now - last_;
            const qint64 own = gap - std::min(gap, waited - lastWait_);
            longest_ = std::max(longest_, gap);
            longestOwn_ = std::max(longestOwn_, own);
            if (gap > 100'000'000)
                ++over100ms_;
            last_ = now;
            lastWait_ = waited;
        });
    }
    ~StallMeter() override
    {
        if (schedstat_ >= 0)
            ::close(schedstat_);
    }
    void start()
    {
        clock_.start();
        last_ = 0;
        lastWait_ = runQueueWait();
        longest_ = 0;
        longestOwn_ = 0;
        over100ms_ = 0;
        timer_.start();
    }
    void stop() { timer_.stop(); }
    double longestMs() const { return double(longest_) / 1e6; }
    // The longest gap less the time the thread waited for a CPU in it.
    double longestOwnMs() const { return double(longestOwn_) / 1e6; }
    int over100ms() const { return over100ms_; }

private:
    // Nanoseconds this thread has spent runnable but waiting for a CPU.
    qint64 runQueueWait() const
    {
        char text[128] = {};
        if (schedstat_ < 0 || ::pread(schedstat_, text, sizeof text - 1, 0) <= 0)
            return 0;
        unsigned long long running = 0, waiting = 0;
        return std::sscanf(text, "%llu %llu", &running, &waiting) == 2 ? qint64(waiting) : 0;
    }

    int schedstat_;
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = 0;
    qint64 lastWait_ = 0;
    qint64 longest_ = 0;
    qint64 longestOwn_ = 0;
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

// Runs the event loop for `ms`, sleeping while there is nothing to do as the application's own
// loop does (a loop that spins would take a core from the receiver and the sender).
inline void processEventsFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// Waits, turning the event loop, until `count` stops changing for 300 ms.
template <typename Count> void waitUntilSettled(Count count)
{
    qint64 last = -1;
    while (count() != last) {
        last = count();
        processEventsFor(300);
    }
}

} // namespace quendal::bench
