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
        const SenderReport& newest = tally.reports.back();
        const bool keepMode = !newest.report.mode && latest_ && latest_->sender == newest.sender;
        std::optional<QByteArray> mode = keepMode ? latest_->report.mode : newest.report.mode;
        latest_.emplace(newest);
        latest_->report.mode.swap(mode);
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
    line += QByteArray::number(drops) + " dropped by the system";
    // Since the line before, like the drops; told only when the receiver drops such datagrams.
    const auto since = [](quint64 now, quint64 before) {
        return now >= before ? now - before : now;
    };
    if (const quint64 n = since(counters.notAllowed, notAllowedBefore_); n > 0)
        line += ", " + QByteArray::number(n) + " from senders not allowed";
    if (const quint64 n = since(counters.overRate, overRateBefore_); n > 0)
        line += ", " + QByteArray::number(n) + " over rate limits";
    if (const quint64 n = since(counters.notListed, notListedBefore_); n > 0)
        line += ", " + QByteArray::number(n) + " senders not listed";
    line += "; ";
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
    notAllowedBefore_ = counters.notAllowed;
    overRateBefore_ = counters.overRate;
    notListedBefore_ = counters.notListed;
    return line;
}

} // namespace quendal
