#include "receiver/core/HostFilter.h"

namespace quendal {

void HostFilter::select(const std::optional<QString>& sender)
{
    selected_ = sender && !sender->isEmpty() ? sender : std::nullopt;
}

bool HostFilter::record(const QString& sender)
{
    if (known_.contains(sender))
        return false;
    known_.insert(sender);
    return true;
}

void HostFilter::forgetSenders()
{
    known_.clear();
}

} // namespace quendal
