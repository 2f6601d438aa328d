#pragma once

#include "netinfo/core/DhcpLease.h"
#include "netinfo/core/LeaseControl.h"
#include "netinfo/core/NetworkInfo.h"

#include <memory>
#include <optional>

namespace quendal {

// Adapters, resolver and leases of a Linux machine: interfaces from the kernel (QNetworkInterface
// and /sys/class/net), gateways from /proc/net/route, DNS servers from the resolver
// configuration, leases from NetworkManager, systemd-networkd or dhclient, whichever has one.
class LinuxAdapterInfo : public AdapterInfoSource
{
public:
    bool readNetworkInfo(NetworkInfo& info) override;
    bool releaseLease(quint32 adapterIndex) override;
    bool renewLease(quint32 adapterIndex) override;
    bool canChangeLeases() const override;

private:
    LeaseManager manager() const;
    std::optional<DhcpLease> leaseOf(const QString& interfaceName, quint32 index) const;
    bool changeLease(quint32 adapterIndex, LeaseAction action);

    // Found out on first need: asking NetworkManager starts a process.
    mutable std::optional<LeaseManager> manager_;
};

// The source for this machine.
std::shared_ptr<AdapterInfoSource> systemAdapterInfo();

} // namespace quendal
