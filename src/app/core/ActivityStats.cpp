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

// GCC 12 takes a copied std::optional<QByteArray> for uninitialised (a known false positive).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
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
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

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
