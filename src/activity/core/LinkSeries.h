#pragma once

#include "activity/core/LinkReport.h"

#include <QByteArray>

#include <array>
#include <deque>
#include <vector>

namespace quendal {

// One point of a router's link chart.
struct LinkPoint
{
    qint64 at = 0;            // arrival time, milliseconds since the epoch
    double txRate = kNoValue; // as reported
    double rxRate = kNoValue;
    // Packets per second from the difference to the report before; unknown for the first report
    // and after a counter reset.
    double txPacketRate = kNoValue;
    double rxPacketRate = kNoValue;
};

// Something worth a mark on the time axis.
struct LinkEvent
{
    enum Kind
    {
        ModeChange,   // `mode` is the new connection mode
        CounterReset, // a packet counter went back: the router restarted or its counters wrapped
        Gap,          // no report from `at` to `until`
    };
    Kind kind = ModeChange;
    qint64 at = 0;
    qint64 until = 0;
    QByteArray mode;
};

// The link rates of one router over the last 24 hours, one point per status report (reports
// less than a second apart share one point). Adding a report costs the same whatever the
// series holds; points older than a day leave as new ones come.
class LinkSeries
{
public:
    static constexpr qint64 kWindowMs = 24LL * 60 * 60 * 1000;
    static constexpr qint64 kMinSpacingMs = 1000;
    static constexpr size_t kMaxPoints = size_t(kWindowMs / kMinSpacingMs);
    static constexpr size_t kMaxEvents = 4096;
    // A silence longer than this many usual report intervals is a gap.
    static constexpr int kGapIntervals = 3;

    void add(const LinkReport& report);

    const std::deque<LinkPoint>& points() const { return points_; }
    const std::deque<LinkEvent>& events() const { return events_; }
    const LinkPoint* latest() const { return points_.empty() ? nullptr : &points_.back(); }
    std::optional<QByteArray> mode() const { return mode_; }
    // The usual time between two reports (the median of the last few), 0 while unknown.
    qint64 reportInterval() const;
    // Whether the router has been silent for a gap's length at `now`.
    bool silentAt(qint64 now) const;
    // Points dropped because the clock went back behind them.
    quint64 droppedByClockStep() const { return droppedByClockStep_; }

    // The points within [from, to], at most `maxPoints` of them: where more lie in the range,
    // neighbouring points are merged into one carrying their highest values, so peaks stay.
    std::vector<LinkPoint> view(qint64 from, qint64 to, size_t maxPoints) const;
    // The point nearest to `at` within [from, to], if any.
    const LinkPoint* nearest(qint64 at) const;

private:
    void addEvent(LinkEvent event);
    void expire(qint64 now);
    void dropAfter(qint64 at);

    std::deque<LinkPoint> points_;
    std::deque<LinkEvent> events_;
    std::optional<QByteArray> mode_;
    std::optional<quint64> txPackets_;
    std::optional<quint64> rxPackets_;
    qint64 countersAt_ = 0;
    std::array<qint64, 9> intervals_{}; // ring of the last intervals
    size_t intervalCount_ = 0;
    quint64 droppedByClockStep_ = 0;
};

} // namespace quendal
