#include "app/gui/StatusCounters.h"

#include "activity/core/ActivitySeries.h"
#include "common/core/UiText.h"
#include "logs/core/LogList.h"
#include "receiver/core/ReceptionEngine.h"

#include <QLocale>
#include <QTimer>

#include <climits>

namespace quendal {
namespace {

constexpr int kRefreshMs = 500;

} // namespace

StatusCounters::StatusCounters(QWidget* parent) : QLabel(parent), timer_(new QTimer(this))
{
    setTextFormat(Qt::PlainText);
    startMs_ = clock_->monotonicMs();
    timer_->setInterval(kRefreshMs);
    connect(timer_, &QTimer::timeout, this, &StatusCounters::refresh);
    timer_->start();
    refresh();
}

void StatusCounters::watch(LogList* list)
{
    connect(list, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) { countArrivals(last - first + 1); });
}

void StatusCounters::follow(const ActivitySeries* activity)
{
    connect(activity, &ActivitySeries::entriesArrived, this,
            [this](quint64 count) { countArrivals(int(std::min<quint64>(count, INT_MAX))); });
}

void StatusCounters::follow(const ReceptionEngine* engine)
{
    engine_ = engine;
    connect(engine, &ReceptionEngine::countersUpdated, this, [this] {
        if (takeEngineCounters())
            refresh();
    });
    connect(engine, &ReceptionEngine::overRateReported, this, [this](const OverRateReport& r) {
        const QLocale locale;
        latestOverRate_ =
            r.sender.isEmpty()
                ? GetUiText(UiTextId::OthersOverRate)
                      .arg(locale.toString(r.entries), locale.toString(r.senders))
                : GetUiText(UiTextId::SenderOverRate).arg(locale.toString(r.entries), r.sender);
        refresh();
    });
}

bool StatusCounters::takeEngineCounters()
{
    if (!engine_)
        return false;
    // Read afresh: the kernel's drops count even when no datagram has come since. Only what
    // moved is taken, so that counts set by hand stay until the engine's move on.
    const IntakeCounters c = engine_->counters();
    bool changed = false;
    const auto take = [&](quint64 now, quint64& seen, quint64& shown) {
        if (now == seen)
            return;
        seen = shown = now;
        changed = true;
    };
    take(c.kernelDrops, seen_.kernelDrops, dropped_);
    take(c.forwardFailed, seen_.forwardFailed, failedForwards_);
    take(c.notAllowed, seen_.notAllowed, notAllowed_);
    take(c.overRate, seen_.overRate, overRate_);
    take(c.connections.open, seen_.connections.open, connectionsOpen_);
    const bool streamsUsed = c.connections.accepted + c.connections.refused > 0;
    changed = changed || streamsUsed != streamsUsed_;
    streamsUsed_ = streamsUsed;
    if (overRate_ == 0)
        latestOverRate_.clear(); // a new Start
    return changed;
}

void StatusCounters::setCurrentList(LogList* list)
{
    current_ = list;
    refresh();
}

void StatusCounters::setDroppedBySystem(quint64 count)
{
    dropped_ = count;
    refresh();
}

void StatusCounters::setFailedForwards(quint64 count)
{
    failedForwards_ = count;
    refresh();
}

void StatusCounters::setClock(const Clock& clock)
{
    clock_ = &clock;
    startMs_ = clock.monotonicMs();
    buckets_ = {};
    bucketSecond_ = 0;
}

void StatusCounters::advance()
{
    const qint64 second = (clock_->monotonicMs() - startMs_) / 1000;
    // Seconds without arrivals count as zero.
    for (qint64 s = bucketSecond_ + 1; s <= second && s <= bucketSecond_ + kRateSeconds + 1; ++s)
        buckets_[size_t(s % buckets_.size())] = 0;
    bucketSecond_ = std::max(bucketSecond_, second);
}

void StatusCounters::countArrivals(int count)
{
    advance();
    buckets_[size_t(bucketSecond_ % buckets_.size())] += quint64(count);
}

double StatusCounters::rate() const
{
    const_cast<StatusCounters*>(this)->advance();
    // The whole seconds before the current one, which is still filling.
    quint64 total = 0;
    for (qint64 s = bucketSecond_ - kRateSeconds; s < bucketSecond_; ++s) {
        if (s >= 0)
            total += buckets_[size_t(s % buckets_.size())];
    }
    const qint64 seconds = std::min<qint64>(kRateSeconds, std::max<qint64>(1, bucketSecond_));
    return double(total) / double(seconds);
}

void StatusCounters::refresh()
{
    takeEngineCounters();
    const QLocale locale;
    QStringList parts;
    if (current_)
        parts << GetUiText(UiTextId::RowCount).arg(locale.toString(current_->size()));
    parts << GetUiText(UiTextId::EntriesPerSecond)
                 .arg(locale.toString(rate(), 'f', rate() < 10 ? 1 : 0));
    if (dropped_ > 0)
        parts << GetUiText(UiTextId::KernelDrops).arg(locale.toString(dropped_));
    if (failedForwards_ > 0)
        parts << GetUiText(UiTextId::FailedForwards).arg(locale.toString(failedForwards_));
    if (notAllowed_ > 0)
        parts << GetUiText(UiTextId::NotAllowedSenders).arg(locale.toString(notAllowed_));
    if (overRate_ > 0)
        parts << GetUiText(UiTextId::OverRateLimits).arg(locale.toString(overRate_));
    if (streamsUsed_)
        parts << GetUiText(UiTextId::OpenConnections).arg(locale.toString(connectionsOpen_));
    if (!latestOverRate_.isEmpty())
        parts << latestOverRate_;
    setText(parts.join(QStringLiteral("  \u00b7  ")));
    Q_EMIT refreshed();
}

} // namespace quendal
