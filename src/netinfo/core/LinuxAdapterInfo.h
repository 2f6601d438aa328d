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
    explicit LinuxAdapterInfo(LeaseSetup setup = {});

    bool readNetworkInfo(NetworkInfo& info) override;
    LeaseOutcome releaseLease(quint32 adapterIndex) override;
    LeaseOutcome renewLease(quint32 adapterIndex) override;
    bool canChangeLeases() const override;

private:
    LeaseManager manager() const;
    std::optional<DhcpLease> leaseOf(const QString& interfaceName, quint32 index) const;
    LeaseOutcome changeLease(quint32 adapterIndex, LeaseAction action);
    void fillHostAndDns(NetworkInfo& info) const;
    std::optional<DhcpLease> dhclientLease(const QString& interfaceName) const;

    // The manager is found out on first need: asking NetworkManager starts a process.
    mutable LeaseSetup setup_;
};

// The source for this machine.
std::shared_ptr<AdapterInfoSource> systemAdapterInfo(const LeaseSetup& setup = {});

} // namespace quendal
