#include "receiver/core/HostFilter.h"

#include <algorithm>

namespace quendal {

void HostFilter::select(const std::optional<QString>& sender)
{
    selected_ = sender && !sender->isEmpty() ? sender : std::nullopt;
    selectedAddress_.reset();
    if (selected_)
        selectedAddress_ = SocketAddress::fromText(*selected_, 0);
}

bool HostFilter::accepts(const SocketAddress& from, const QString& sender) const
{
    if (!selected_)
        return true;
    // As an address, scopes compare by interface index whatever the text names them by.
    if (selectedAddress_)
        return selectedAddress_->sameHost(from);
    return *selected_ == sender;
}

void HostFilter::setCapacity(int senders)
{
    capacity_ = std::max(0, senders);
}

HostFilter::Recorded HostFilter::record(const QString& sender)
{
    if (known_.contains(sender))
        return Recorded::Known;
    if (known_.size() < capacity_) {
        known_.insert(sender);
        return Recorded::Added;
    }
    // Slot 0 of a hash stands for "empty"; a sender hashing to 0 is told apart as 1.
    const size_t h = std::max<size_t>(qHash(sender, size_t(0x51f15e)), 1);
    size_t& slot = unlisted_[h % unlisted_.size()];
    if (slot == h)
        return Recorded::Counted;
    slot = h;
    return Recorded::NotListed;
}

void HostFilter::forgetSenders()
{
    known_.clear();
    known_.squeeze();
    unlisted_.fill(0);
}

} // namespace quendal
