#pragma once

#include "netinfo/core/NetworkInfo.h"

#include <functional>
#include <vector>

namespace quendal::test {

// An adapter source that hands out a prepared NetworkInfo and records release and renew
// requests. `onLeaseChange` may alter `info` to show what the next read then sees.
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
    bool releaseLease(quint32 adapterIndex) override
    {
        released.push_back(adapterIndex);
        if (onLeaseChange)
            onLeaseChange(info);
        return true;
    }
    bool renewLease(quint32 adapterIndex) override
    {
        renewed.push_back(adapterIndex);
        if (onLeaseChange)
            onLeaseChange(info);
        return true;
    }
    bool canChangeLeases() const override { return leasesChangeable; }

    NetworkInfo info;
    bool readSucceeds = true;
    bool leasesChangeable = true;
    std::function<void(NetworkInfo&)> onLeaseChange;
    int reads = 0;
    std::vector<quint32> released;
    std::vector<quint32> renewed;
};

} // namespace quendal::test
