#include "activity/core/ActivitySeries.h"

#include "activity/core/LogTime.h"
#include "logs/core/LogRows.h"

#include <QStringList>

#include <algorithm>

namespace quendal {

ActivitySeries::ActivitySeries(QObject* parent) : QObject(parent)
{}

ActivitySeries::~ActivitySeries() = default;

void ActivitySeries::apply(ActivityTally& tally)
{
    if (tally.isEmpty())
        return;
    quint64 arrived = 0;
    for (const MinuteCounts& m : tally.minutes) {
        live_.add(m);
        arrived += m.total();
    }
    for (SenderReport& r : tally.reports) {
        seriesFor(r.sender).add(r.report);
        routers_[r.sender]->lastReport = r.report.at;
        lastReporter_ = r.sender;
        Q_EMIT statusReported(r.sender, r.report.text);
    }
    for (EmergencySample& e : tally.emergencies)
        emergencies_.push_back(std::move(e));
    // Status reports alone leave the minutes empty, and no emergency to age out.
    const qint64 oldest =
        live_.isEmpty() ? MinuteCounts::kNoMinute : live_.latestMinute() - MinuteActivity::kMinutes;
    while (!emergencies_.empty() &&
           (emergencies_.size() > kMaxEmergencySamples || emergencies_.front().minute < oldest))
        emergencies_.pop_front();
    tally.clear();
    if (arrived > 0)
        Q_EMIT entriesArrived(arrived);
    Q_EMIT changed();
}

LinkSeries& ActivitySeries::seriesFor(const QString& sender)
{
    auto it = routers_.find(sender);
    if (it != routers_.end())
        return it->second->series;
    if (routers_.size() >= kMaxRouters) {
        const auto quietest =
            std::min_element(routers_.begin(), routers_.end(), [](const auto& a, const auto& b) {
                return a.second->lastReport < b.second->lastReport;
            });
        routers_.erase(quietest);
    }
    return routers_.emplace(sender, std::make_unique<Router>()).first->second->series;
}

const LinkSeries* ActivitySeries::link(const QString& sender) const
{
    const auto it = routers_.find(sender);
    return it == routers_.end() ? nullptr : &it->second->series;
}

QStringList ActivitySeries::reporters() const
{
    QStringList out;
    for (const auto& [sender, router] : routers_)
        out << sender;
    return out;
}

std::vector<const EmergencySample*> ActivitySeries::emergenciesIn(qint64 minute) const
{
    std::vector<const EmergencySample*> out;
    for (const EmergencySample& e : emergencies_) {
        if (e.minute == minute)
            out.push_back(&e);
    }
    return out;
}

qsizetype ActivitySeries::addFile(LogCategory category, const LogRows& rows, qint64 now)
{
    // The file's own last day: its newest readable time decides which minutes are kept.
    std::vector<std::pair<qint64, bool>> times;
    times.reserve(size_t(rows.size()));
    for (qsizetype row = 0; row < rows.size(); ++row) {
        const LogEntryView entry = rows.at(row);
        if (const auto at = readLogTime(entry.time, now))
            times.emplace_back(minuteOf(*at), entry.isEmergency());
    }
    qint64 newest = MinuteCounts::kNoMinute;
    for (const auto& t : times)
        newest = std::max(newest, t.first);
    files_.clearCategory(category);
    for (const auto& [minute, emergency] : times) {
        if (minute > newest - MinuteActivity::kMinutes)
            files_.add(minute, category, 1, emergency ? 1 : 0);
    }
    Q_EMIT changed();
    return qsizetype(times.size());
}

void ActivitySeries::clear()
{
    routers_.clear();
    lastReporter_.clear();
    live_.clear();
    files_.clear();
    emergencies_.clear();
    Q_EMIT changed();
}

} // namespace quendal
