#pragma once

#include "common/core/SocketAddress.h"

#include <QSet>
#include <QString>

#include <array>
#include <optional>

namespace quendal {

// The sender filter as the receiver thread sees it: the one sender accepted (none chosen: every
// sender) and the senders recorded since Start, at most capacity() of them. The window's
// HostList shows the same senders; this copy lets the filter run without touching the window's
// model.
class HostFilter
{
public:
    static constexpr int kDefaultCapacity = 10000;

    enum class Recorded
    {
        Known,     // listed already
        Added,     // listed now
        NotListed, // new, but the list is full: received all the same, counted once
        Counted    // not listed, and counted already
    };

    // One sender's address, or nullopt (or an empty text) for every sender. An IPv6 address
    // with a scope matches by interface index, so "fe80::1%1" is the sender shown "fe80::1%lo".
    void select(const std::optional<QString>& sender);
    bool acceptsEverySender() const { return !selected_; }
    bool accepts(const SocketAddress& from, const QString& sender) const;

    // The most senders listed; later ones are not. Below it nothing changes.
    void setCapacity(int senders);
    int capacity() const { return capacity_; }
    qsizetype size() const { return known_.size(); }

    // Records a sender unless the list is full.
    Recorded record(const QString& sender);
    // Forgets every sender, as Stop empties the host list.
    void forgetSenders();

private:
    std::optional<QString> selected_;
    std::optional<SocketAddress> selectedAddress_; // when the selection is an address here
    QSet<QString> known_;
    int capacity_ = kDefaultCapacity;
    // Hashes of senders beyond the capacity seen lately, so that a sender that keeps sending is
    // counted once; fixed in size, so memory stays bounded.
    std::array<size_t, 4096> unlisted_{};
};

} // namespace quendal
