#pragma once

#include "common/core/Clock.h"
#include "common/core/SocketAddress.h"

#include <QString>
#include <QtGlobal>

#include <array>
#include <vector>

namespace quendal {

// The excess of one sender over its rate, or of others told together (no sender named).
struct OverRateReport
{
    QString sender; // empty for the others together
    quint64 entries = 0;
    quint64 senders = 1;
};

// "12 entries from 192.168.1.7 over its rate limit", or for the others together
// "40 entries from 25 other senders over their rate limits".
QString overRateText(const OverRateReport& report);

// A fair share per sender: a token bucket for each, refilled at the rate and holding a burst of
// kBurstSeconds' worth. The senders are kept in a table of fixed size, so memory stays the same
// however many addresses send (spoofed ones too); when a new sender finds its set full, the one
// seen longest ago gives way (an idle sender's bucket is full anyway, so it loses nothing).
class SenderRateLimit
{
public:
    static constexpr int kBurstSeconds = 3;
    // The table: kSets sets of kWays senders each.
    static constexpr int kSets = 1024;
    static constexpr int kWays = 8;
    // Reports name at most this many senders; the others are told together.
    static constexpr int kNamedPerReport = 10;

    explicit SenderRateLimit(const Clock& clock = Clock::system());

    // Entries per second per sender; 0 switches the limit off. A new rate starts every sender
    // afresh; the same rate again changes nothing.
    void setRate(int entriesPerSecond);
    // Every sender starts afresh, with nothing counted.
    void reset();
    int rate() const { return rate_; }
    bool isOn() const { return rate_ > 0; }

    // Whether one more entry from `sender` fits its share now. The excess is counted per sender
    // until the next takeReports().
    bool admit(const SocketAddress& sender);

    // Whether excess was counted since the last reports.
    bool hasExcess() const { return unreported_ > 0; }
    // The excess counted since the last call, the largest first; counting starts again.
    std::vector<OverRateReport> takeReports();

private:
    struct Key
    {
        std::array<quint8, 16> address{}; // IPv4 mapped into IPv6
        quint32 scope = 0;
        bool operator==(const Key&) const = default;
    };
    struct Slot
    {
        Key key;
        bool used = false;
        qint64 tokens = 0; // thousandths of an entry
        qint64 lastMs = 0;
        quint64 excess = 0; // not reported yet
    };

    static Key keyOf(const SocketAddress& sender);
    size_t setOf(const Key& key) const;
    Slot& slotFor(const Key& key, qint64 now);

    const Clock& clock_;
    int rate_ = 0;
    quint64 seed_;
    std::vector<Slot> slots_; // kSets * kWays while on, empty while off
    quint64 unreported_ = 0;
    quint64 evictedExcess_ = 0; // of senders that gave way before being reported
    quint64 evictedSenders_ = 0;
};

} // namespace quendal
