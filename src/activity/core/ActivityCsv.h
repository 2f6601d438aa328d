#pragma once

#include "activity/core/LinkSeries.h"
#include "activity/core/MinuteActivity.h"

#include <QByteArray>

#include <vector>

namespace quendal {

// The series as CSV for a spreadsheet: a header line, then one line per point, times in
// ISO 8601 UTC, values unknown left empty, lines ending in CR LF.
//   time,tx_rate,rx_rate,tx_packets_per_s,rx_packets_per_s,event
QByteArray linkCsv(const LinkSeries& series);
//   minute,FireWall,VPN,UserAccess,Call,Wan,emergencies
QByteArray minuteCsv(const std::vector<MinuteCounts>& minutes);

} // namespace quendal
