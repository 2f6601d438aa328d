#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <cmath>
#include <limits>
#include <optional>

namespace quendal {

inline constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();

// The link values of one status report (facility 21) as numbers, stamped with its arrival time
// on the receiver's clock. A value whose key is missing, or is not a number, is not known.
struct LinkReport
{
    qint64 at = 0;                    // milliseconds since the epoch
    double txRate = kNoValue;         // "BBandTxRate="
    double rxRate = kNoValue;         // "BBandRxRate="
    std::optional<quint64> txPackets; // "BBandTxPkt=", a counter that only grows until a reset
    std::optional<quint64> rxPackets; // "BBandRxPkt="
    std::optional<QByteArray> mode;   // "BBandMode="
    // The report as received, for the status panels of the router they show; not kept by the
    // chart's series.
    QByteArray text;
};

// Reads a status message by the same rule as the status panels: a key counts at its first
// occurrence and its value runs up to the next blank.
LinkReport readLinkReport(QByteArrayView text, qint64 at);

inline bool isKnown(double value)
{
    return !std::isnan(value);
}

} // namespace quendal
