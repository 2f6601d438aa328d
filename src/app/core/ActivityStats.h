#pragma once

#include "activity/core/ActivityTally.h"

#include <QByteArray>

#include <array>
#include <optional>

namespace quendal {

struct IntakeCounters;

// The receiver's activity between two lines of `--stats`: entries per category, emergencies,
// datagrams the system dropped (and, when there were any, those from senders not allowed or over
// their rate limits, and senders not listed), and the latest link rates reported.
class ActivityStats
{
public:
    void add(const ActivityTally& tally);
    // One line for an interval of `seconds`, then the sums start again. `counters` are the
    // receiver's totals; the drops are told since the line before. Received bytes in the line
    // (the mode) are escaped for a terminal.
    //   stats 60 s: 12 entries (FireWall 9, VPN 1, UserAccess 0, Call 0, Wan 2), 1 emergency,
    //   0 dropped by the system; link of 192.168.1.1: tx 1311, rx 6451, mode PPPoE
    QByteArray takeLine(int seconds, const IntakeCounters& counters);

private:
    std::array<quint64, kCategoryCount> entries_{};
    quint64 emergencies_ = 0;
    quint64 dropsBefore_ = 0;
    quint64 notAllowedBefore_ = 0;
    quint64 overRateBefore_ = 0;
    quint64 notListedBefore_ = 0;
    std::optional<SenderReport> latest_;
};

} // namespace quendal
