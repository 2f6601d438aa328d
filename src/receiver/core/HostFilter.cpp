#include "receiver/core/HostFilter.h"

namespace quendal {

HostFilter::HostFilter(const QString& anyText) : any_(anyText), selected_(anyText), known_{anyText}
{}

void HostFilter::select(const QString& text)
{
    selected_ = text.isEmpty() ? any_ : text;
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
    known_ = {any_};
}

} // namespace quendal
