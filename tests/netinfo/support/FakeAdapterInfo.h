#pragma once

#include "netinfo/core/NetworkInfo.h"

#include <functional>
#include <vector>

namespace quendal::test {

// An adapter source that hands out a prepared NetworkInfo and records release and renew
// requests. `onLeaseChange` may alter `info` to show what the next read then sees. The page calls
// it from a thread of its own, one call at a time; tests look at it once the page is idle.
class FakeAdapterInfo : public AdapterInfoSource
{
public:
    bool readNetworkInfo(NetworkInfo& out) override
    {
        ++reads;
        if (!readSucceeds)
            return false;
        out.HostName = info.HostName;
        out.DnsServers = info.DnsServers;
        out.Adapters = info.Adapters;
        out.AdapterCount = int(info.Adapters.size());
        return true;
    }
    LeaseOutcome releaseLease(quint32 adapterIndex) override
    {
        released.push_back(adapterIndex);
        if (onLeaseChange)
            onLeaseChange(info);
        return leaseOutcome;
    }
    LeaseOutcome renewLease(quint32 adapterIndex) override
    {
        renewed.push_back(adapterIndex);
        if (onLeaseChange)
            onLeaseChange(info);
        return leaseOutcome;
    }
    bool canChangeLeases() const override { return leasesChangeable; }

    NetworkInfo info;
    bool readSucceeds = true;
    bool leasesChangeable = true;
    LeaseOutcome leaseOutcome{true, {}};
    std::function<void(NetworkInfo&)> onLeaseChange;
    int reads = 0;
    std::vector<quint32> released;
    std::vector<quint32> renewed;
};

} // namespace quendal::test
