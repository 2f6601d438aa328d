#include "activity/core/LinkSeries.h"

#include <algorithm>

namespace quendal {
namespace {

double packetRate(std::optional<quint64> now, std::optional<quint64> before, qint64 ms)
{
    if (!now || !before || *now < *before || ms <= 0)
        return kNoValue;
    return double(*now - *before) * 1000.0 / double(ms);
}

double higher(double a, double b)
{
    if (!isKnown(a))
        return b;
    if (!isKnown(b))
        return a;
    return std::max(a, b);
}

bool earlier(const LinkPoint& p, qint64 at)
{
    return p.at < at;
}

} // namespace

void LinkSeries::add(const LinkReport& report)
{
    if (!points_.empty() && report.at < points_.back().at)
        dropAfter(report.at); // the clock went back: what lies after it cannot stay on the axis

    const bool reset = (report.txPackets && txPackets_ && *report.txPackets < *txPackets_) ||
                       (report.rxPackets && rxPackets_ && *report.rxPackets < *rxPackets_);
    if (reset)
        addEvent({LinkEvent::CounterReset, report.at, report.at, {}});
    if (report.mode && mode_ && *report.mode != *mode_)
        addEvent({LinkEvent::ModeChange, report.at, report.at, *report.mode});
    if (report.mode)
        mode_ = report.mode;

    LinkPoint point;
    point.at = report.at;
    point.txRate = report.txRate;
    point.rxRate = report.rxRate;
    const qint64 sinceCounters = report.at - countersAt_;
    if (!reset) {
        point.txPacketRate = packetRate(report.txPackets, txPackets_, sinceCounters);
        point.rxPacketRate = packetRate(report.rxPackets, rxPackets_, sinceCounters);
    }

    if (!points_.empty() && report.at - points_.back().at < kMinSpacingMs) {
        // Reports that close together are one point, with the latest values.
        LinkPoint& last = points_.back();
        point.at = last.at;
        if (!isKnown(point.txPacketRate))
            point.txPacketRate = last.txPacketRate;
        if (!isKnown(point.rxPacketRate))
            point.rxPacketRate = last.rxPacketRate;
        last = point;
    } else {
        if (!points_.empty()) {
            const qint64 interval = report.at - points_.back().at;
            const qint64 usual = reportInterval();
            if (usual > 0 && interval > kGapIntervals * usual)
                addEvent({LinkEvent::Gap, points_.back().at, report.at, {}});
            intervals_[intervalCount_ % intervals_.size()] = interval;
            ++intervalCount_;
        }
        points_.push_back(point);
    }
    // Counters move on only once enough time has passed for a meaningful difference.
    if (report.txPackets || report.rxPackets) {
        if (reset || sinceCounters >= kMinSpacingMs || (!txPackets_ && !rxPackets_)) {
            txPackets_ = report.txPackets;
            rxPackets_ = report.rxPackets;
            countersAt_ = report.at;
        }
    }
    expire(report.at);
}

qint64 LinkSeries::reportInterval() const
{
    const size_t n = std::min(intervalCount_, intervals_.size());
    if (n < 2)
        return 0;
    std::array<qint64, 9> sorted = intervals_;
    std::nth_element(sorted.begin(), sorted.begin() + qsizetype(n / 2),
                     sorted.begin() + qsizetype(n));
    return sorted[n / 2];
}

bool LinkSeries::silentAt(qint64 now) const
{
    const qint64 usual = reportInterval();
    return usual > 0 && !points_.empty() && now - points_.back().at > kGapIntervals * usual;
}

void LinkSeries::addEvent(LinkEvent event)
{
    events_.push_back(std::move(event));
    if (events_.size() > kMaxEvents)
        events_.pop_front();
}

void LinkSeries::expire(qint64 now)
{
    const qint64 oldest = now - kWindowMs;
    while (!points_.empty() && (points_.front().at < oldest || points_.size() > kMaxPoints))
        points_.pop_front();
    while (!events_.empty() && std::max(events_.front().at, events_.front().until) < oldest)
        events_.pop_front();
}

void LinkSeries::dropAfter(qint64 at)
{
    while (!points_.empty() && points_.back().at > at) {
        points_.pop_back();
        ++droppedByClockStep_;
    }
    while (!events_.empty() && events_.back().at > at)
        events_.pop_back();
    // The counters and intervals of the dropped stretch say nothing about what follows.
    txPackets_.reset();
    rxPackets_.reset();
    intervalCount_ = 0;
}

std::vector<LinkPoint> LinkSeries::view(qint64 from, qint64 to, size_t maxPoints) const
{
    const auto first = std::lower_bound(points_.begin(), points_.end(), from, earlier);
    const auto last = std::upper_bound(points_.begin(), points_.end(), to,
                                       [](qint64 t, const LinkPoint& p) { return t < p.at; });
    std::vector<LinkPoint> out;
    const size_t count = size_t(last - first);
    if (count <= maxPoints || maxPoints == 0) {
        out.assign(first, last);
        return out;
    }
    out.reserve(maxPoints);
    // Equal stretches of time, each merged into one point at its first report.
    const double span = double(to - from) / double(maxPoints);
    for (auto it = first; it != last;) {
        const auto bucket = qint64(double(it->at - from) / span);
        LinkPoint merged = *it;
        for (++it; it != last && qint64(double(it->at - from) / span) == bucket; ++it) {
            merged.txRate = higher(merged.txRate, it->txRate);
            merged.rxRate = higher(merged.rxRate, it->rxRate);
            merged.txPacketRate = higher(merged.txPacketRate, it->txPacketRate);
            merged.rxPacketRate = higher(merged.rxPacketRate, it->rxPacketRate);
        }
        out.push_back(merged);
    }
    return out;
}

const LinkPoint* LinkSeries::nearest(qint64 at) const
{
    if (points_.empty())
        return nullptr;
    const auto it = std::lower_bound(points_.begin(), points_.end(), at, earlier);
    if (it == points_.end())
        return &points_.back();
    if (it == points_.begin())
        return &*it;
    const auto before = std::prev(it);
    return (at - before->at <= it->at - at) ? &*before : &*it;
}

} // namespace quendal
