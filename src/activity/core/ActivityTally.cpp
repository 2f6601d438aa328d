#include "activity/core/ActivityTally.h"

#include "activity/core/LinkSeries.h"

namespace quendal {

void ActivityTally::countEntry(qint64 at, LogCategory category, const LogEntryView& entry)
{
    const qint64 minute = minuteOf(at);
    if (minutes.empty() || minutes.back().minute != minute) {
        minutes.emplace_back();
        minutes.back().minute = minute;
    }
    const bool emergency = entry.isEmergency();
    MinuteCounts& counts = minutes.back();
    ++counts.entries[size_t(categoryIndex(category))];
    if (emergency) {
        ++counts.emergencies[size_t(categoryIndex(category))];
        if (emergencies.size() < kMaxEmergencySamples)
            emergencies.push_back({minute, category, LogEntry::from(entry)});
    }
}

void ActivityTally::addReport(const QString& sender, LinkReport report)
{
    // Reports of one sender closer than a chart point apart replace each other right here.
    for (auto it = reports.rbegin(); it != reports.rend() && it - reports.rbegin() < 8; ++it) {
        if (it->sender == sender) {
            if (report.at - it->report.at < LinkSeries::kMinSpacingMs &&
                report.at >= it->report.at) {
                if (!report.mode)
                    report.mode = it->report.mode;
                // Keys only the earlier report gave still count, behind the later's own.
                if (report.text.size() + it->report.text.size() < kMaxMergedText)
                    report.text += ' ' + it->report.text;
                report.at = it->report.at; // the point stays where its second began
                it->report = std::move(report);
                return;
            }
            break;
        }
    }
    if (reports.size() >= kMaxReports) {
        reports.back() = {sender, std::move(report)};
        return;
    }
    reports.push_back({sender, std::move(report)});
}

void ActivityTally::append(ActivityTally&& later)
{
    for (MinuteCounts& m : later.minutes) {
        if (!minutes.empty() && minutes.back().minute == m.minute)
            minutes.back().add(m);
        else
            minutes.push_back(m);
    }
    for (SenderReport& r : later.reports)
        addReport(r.sender, std::move(r.report));
    for (EmergencySample& e : later.emergencies) {
        if (emergencies.size() >= kMaxEmergencySamples)
            break;
        emergencies.push_back(std::move(e));
    }
    later.clear();
}

void ActivityTally::clear()
{
    minutes.clear();
    reports.clear();
    emergencies.clear();
}

} // namespace quendal
