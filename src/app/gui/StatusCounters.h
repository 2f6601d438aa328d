#pragma once

#include "common/core/Clock.h"
#include "receiver/core/IntakeStep.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QPointer>

#include <array>

class QTimer;

namespace quendal {

class ActivitySeries;
class LogList;
class ReceptionEngine;

// The status bar's counts: the rows of the tab shown, the entries per second arriving in all
// lists over the last few seconds, and, only when there were any, the datagrams the system
// dropped before reception read them, the forwards that failed, and the datagrams dropped for
// coming from senders not allowed or over their rate limits, with the latest sender told over its
// rate, and the TCP and TLS connections open once any came. Updated twice a second, not per entry.
class StatusCounters : public QLabel
{
    Q_OBJECT

public:
    // Seconds the rate is averaged over.
    static constexpr int kRateSeconds = 5;

    explicit StatusCounters(QWidget* parent = nullptr);

    // Every list whose arrivals count towards the rate.
    void watch(LogList* list);
    // Or the entries as reception counts them for the activity charts, so that a file read
    // back or a cleared list does not count.
    void follow(const ActivitySeries* activity);
    // The list whose rows are counted; null for a tab without one.
    void setCurrentList(LogList* list);
    // Takes the datagrams dropped by the system, the failed forwards and the senders' drops from
    // the engine's counters as they move on, and the system's drops at each refresh.
    void follow(const ReceptionEngine* engine);
    // Totals since reception started, from the reception and forwarding side.
    void setDroppedBySystem(quint64 count);
    void setFailedForwards(quint64 count);

    // The clock the seconds of the rate are counted by, from now on; not owned, outlives this.
    void setClock(const Clock& clock);

    // Entries per second over the last kRateSeconds whole seconds.
    double rate() const;
    // Brings the text up to date now.
    void refresh();

Q_SIGNALS:
    // The text was brought up to date (twice a second).
    void refreshed();

private:
    void countArrivals(int count);
    // Whether the engine's counts changed.
    bool takeEngineCounters();
    void advance();

    QPointer<LogList> current_;
    const Clock* clock_ = &Clock::system();
    qint64 startMs_ = 0;                              // monotonic
    std::array<quint64, kRateSeconds + 1> buckets_{}; // per second, ring
    qint64 bucketSecond_ = 0;
    quint64 dropped_ = 0;
    quint64 failedForwards_ = 0;
    quint64 notAllowed_ = 0;
    quint64 overRate_ = 0;
    quint64 connectionsOpen_ = 0;
    bool streamsUsed_ = false; // a TCP or TLS connection came since reception started
    QString latestOverRate_;   // the latest sender told over its rate
    QPointer<const ReceptionEngine> engine_;
    IntakeCounters seen_; // the engine's counts as last taken
    QTimer* timer_;
};

} // namespace quendal
