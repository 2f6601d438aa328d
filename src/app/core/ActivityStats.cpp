#include "app/core/ActivityStats.h"

#include "app/core/HeadlessOutput.h"
#include "receiver/core/CSysLogSocket.h"

#include <numeric>

namespace quendal {
namespace {

QByteArray rateText(double value)
{
    return isKnown(value) ? QByteArray::number(value, 'g', 12) : QByteArrayLiteral("-");
}

} // namespace

void ActivityStats::add(const ActivityTally& tally)
{
    for (const MinuteCounts& m : tally.minutes) {
        for (size_t i = 0; i < entries_.size(); ++i)
            entries_[i] += m.entries[i];
        emergencies_ += m.totalEmergencies();
    }
    if (!tally.reports.empty()) {
        // The mode stays known from an earlier report of the same sender.
        SenderReport latest = tally.reports.back();
        if (!latest.report.mode && latest_ && latest_->sender == latest.sender)
            latest.report.mode = latest_->report.mode;
        latest_ = std::move(latest);
    }
}

QByteArray ActivityStats::takeLine(int seconds, const IntakeCounters& counters)
{
    const quint64 total = std::accumulate(entries_.begin(), entries_.end(), quint64(0));
    QByteArray line = "stats " + QByteArray::number(seconds) + " s: " + QByteArray::number(total) +
                      (total == 1 ? " entry (" : " entries (");
    for (LogCategory c : kAllCategories) {
        if (c != LogCategory::FireWall)
            line += ", ";
        line += QByteArray(categoryName(c)) + ' ' +
                QByteArray::number(entries_[size_t(categoryIndex(c))]);
    }
    line += "), " + QByteArray::number(emergencies_) +
            (emergencies_ == 1 ? " emergency, " : " emergencies, ");
    // The counters start again with each Start.
    const quint64 drops = counters.kernelDrops >= dropsBefore_ ? counters.kernelDrops - dropsBefore_
                                                               : counters.kernelDrops;
    line += QByteArray::number(drops) + " dropped by the system; ";
    if (latest_) {
        line += "link of " + latest_->sender.toLatin1() + ": tx " +
                rateText(latest_->report.txRate) + ", rx " + rateText(latest_->report.rxRate);
        if (latest_->report.mode) {
            line += ", mode ";
            appendEscaped(line, *latest_->report.mode);
        }
    } else {
        line += "no link report yet";
    }
    entries_.fill(0);
    emergencies_ = 0;
    dropsBefore_ = counters.kernelDrops;
    return line;
}

} // namespace quendal
