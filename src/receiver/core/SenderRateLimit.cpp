#include "receiver/core/SenderRateLimit.h"

#include <QRandomGenerator>

#include <algorithm>
#include <cstring>
#include <netinet/in.h>

namespace quendal {

QString overRateText(const OverRateReport& report)
{
    const QString entries =
        QString::number(report.entries) +
        (report.entries == 1 ? QStringLiteral(" entry from ") : QStringLiteral(" entries from "));
    if (!report.sender.isEmpty())
        return entries + report.sender + QStringLiteral(" over its rate limit");
    if (report.senders == 1)
        return entries + QStringLiteral("1 other sender over its rate limit");
    return entries + QString::number(report.senders) +
           QStringLiteral(" other senders over their rate limits");
}

SenderRateLimit::SenderRateLimit(const Clock& clock)
    : clock_(clock), seed_(QRandomGenerator::global()->generate64())
{}

void SenderRateLimit::setRate(int entriesPerSecond)
{
    entriesPerSecond = std::max(0, entriesPerSecond);
    if (entriesPerSecond == rate_)
        return; // a reload with the same rate keeps every sender's share
    rate_ = entriesPerSecond;
    reset();
}

void SenderRateLimit::reset()
{
    slots_.clear();
    if (rate_ > 0)
        slots_.resize(size_t(kSets) * kWays);
    slots_.shrink_to_fit();
    unreported_ = evictedExcess_ = evictedSenders_ = 0;
}

SenderRateLimit::Key SenderRateLimit::keyOf(const SocketAddress& sender)
{
    Key k;
    if (const std::optional<quint32> v4 = sender.ipv4Address()) {
        k.address[10] = k.address[11] = 0xff;
        std::memcpy(k.address.data() + 12, &*v4, 4);
    } else if (sender.family() == AF_INET6) {
        const auto* a = reinterpret_cast<const sockaddr_in6*>(sender.get());
        std::memcpy(k.address.data(), &a->sin6_addr, 16);
        k.scope = a->sin6_scope_id;
    }
    return k;
}

size_t SenderRateLimit::setOf(const Key& key) const
{
    // A seeded mix, so that senders cannot pick addresses that crowd one set.
    quint64 h = seed_;
    quint64 words[3] = {};
    std::memcpy(words, key.address.data(), 16);
    words[2] = key.scope;
    for (quint64 w : words) {
        h ^= w + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2);
        h *= 0xff51afd7ed558ccdULL;
        h ^= h >> 33;
    }
    return size_t(h % quint64(kSets));
}

SenderRateLimit::Slot& SenderRateLimit::slotFor(const Key& key, qint64 now)
{
    Slot* set = slots_.data() + setOf(key) * kWays;
    Slot* giveWay = set;
    for (int i = 0; i < kWays; ++i) {
        Slot& s = set[i];
        if (s.used && s.key == key)
            return s;
        if (!giveWay->used)
            continue;
        if (!s.used || s.lastMs < giveWay->lastMs)
            giveWay = &s;
    }
    if (giveWay->used && giveWay->excess > 0) {
        evictedExcess_ += giveWay->excess;
        ++evictedSenders_;
    }
    *giveWay = Slot{key, true, qint64(rate_) * kBurstSeconds * 1000, now, 0};
    return *giveWay;
}

bool SenderRateLimit::admit(const SocketAddress& sender)
{
    if (rate_ <= 0)
        return true;
    const qint64 now = clock_.monotonicMs();
    Slot& s = slotFor(keyOf(sender), now);
    const qint64 capacity = qint64(rate_) * kBurstSeconds * 1000;
    // Thousandths of an entry: the rate in entries per second is the refill per millisecond.
    if (now > s.lastMs) {
        s.tokens = std::min(capacity, s.tokens + (now - s.lastMs) * rate_);
        s.lastMs = now;
    }
    if (s.tokens >= 1000) {
        s.tokens -= 1000;
        return true;
    }
    ++s.excess;
    ++unreported_;
    return false;
}

std::vector<OverRateReport> SenderRateLimit::takeReports()
{
    std::vector<OverRateReport> reports;
    if (unreported_ == 0)
        return reports;
    std::vector<Slot*> over;
    for (Slot& s : slots_) {
        if (s.used && s.excess > 0)
            over.push_back(&s);
    }
    const auto named = std::min<size_t>(over.size(), size_t(kNamedPerReport));
    std::partial_sort(over.begin(), over.begin() + qsizetype(named), over.end(),
                      [](const Slot* a, const Slot* b) { return a->excess > b->excess; });
    OverRateReport others{QString(), evictedExcess_, evictedSenders_};
    for (size_t i = 0; i < over.size(); ++i) {
        Slot& s = *over[i];
        if (i < named) {
            SocketAddress address;
            if (s.key.address[10] == 0xff && s.key.address[11] == 0xff &&
                std::all_of(s.key.address.begin(), s.key.address.begin() + 10,
                            [](quint8 b) { return b == 0; })) {
                quint32 v4;
                std::memcpy(&v4, s.key.address.data() + 12, 4);
                address = SocketAddress::ipv4(v4, 0);
            } else {
                sockaddr_in6 a{};
                a.sin6_family = AF_INET6;
                std::memcpy(&a.sin6_addr, s.key.address.data(), 16);
                a.sin6_scope_id = s.key.scope;
                std::memcpy(address.get(), &a, sizeof a);
            }
            reports.push_back({address.hostText(), s.excess, 1});
        } else {
            others.entries += s.excess;
            ++others.senders;
        }
        s.excess = 0;
    }
    if (others.entries > 0)
        reports.push_back(others);
    unreported_ = 0;
    evictedExcess_ = 0;
    evictedSenders_ = 0;
    return reports;
}

} // namespace quendal
