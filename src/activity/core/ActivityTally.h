#pragma once

#include "activity/core/LinkReport.h"
#include "activity/core/MinuteActivity.h"
#include "logs/core/LogEntry.h"

#include <QString>

#include <vector>

namespace quendal {

// An emergency entry kept with the minute it arrived in, so that the chart can lead to its row.
struct EmergencySample
{
    qint64 minute = 0;
    LogCategory category = LogCategory::FireWall;
    LogEntry entry;
};

// A sender's status report.
struct SenderReport
{
    QString sender;
    LinkReport report;
};

// What the receiver thread counts for the activity charts between two batches: entries per
// minute and category, the status reports of every accepted sender, and copies of the
// emergencies. Counting an entry costs the same however many came before; a flood of status
// reports or emergencies is bounded here, so a batch stays small while the window is busy.
struct ActivityTally
{
    // Emergencies copied per batch; the others are counted, not copied.
    static constexpr size_t kMaxEmergencySamples = 64;
    // Status reports kept per batch; beyond, each sender's latest replaces its previous one.
    static constexpr size_t kMaxReports = 1024;
    // Reports of one sender merged into one keep their texts together up to this length.
    static constexpr qsizetype kMaxMergedText = 8192;

    std::vector<MinuteCounts> minutes; // in order of arrival, one per minute reached
    std::vector<SenderReport> reports; // in order of arrival
    std::vector<EmergencySample> emergencies;

    void countEntry(qint64 at, LogCategory category, const LogEntryView& entry);
    void addReport(const QString& sender, LinkReport report);
    // Puts a later tally behind this one; `later` is left empty.
    void append(ActivityTally&& later);
    bool isEmpty() const { return minutes.empty() && reports.empty(); }
    void clear();
};

} // namespace quendal
