#pragma once

#include "netinfo/core/LeaseControl.h"

#include <QList>
#include <QString>

#include <array>

namespace quendal {

// One network adapter as the Client page shows it. Addresses are dotted decimal texts, empty
// where the system reports none.
struct AdapterRecord
{
    QString Description;
    // Upper-case hex pairs joined by hyphens, one pair per address byte: 00-50-7F-A1-B2-C3.
    QString PhysicalAddress;
    // The system's interface index; release and renew find the adapter by it.
    quint32 Index = 0;
    bool DhcpEnabled = false;
    QString IpAddress;
    QString SubnetMask;
    QString DefaultGateway;
    QString DhcpServer;
    // asctime form in UTC with its trailing newline ("Thu Jan 01 00:00:00 1970\n"); empty when
    // unknown.
    QString LeaseObtained;
    QString LeaseExpires;
};

inline constexpr int kDnsServerSlots = 10;

// The machine's network identity and its adapters, in the order the system lists them.
struct NetworkInfo
{
    QString HostName;
    // Entry 0 is the first server the resolver uses; unused entries are empty.
    std::array<QString, kDnsServerSlots> DnsServers;
    QList<AdapterRecord> Adapters;
    int AdapterCount = 0;
};

// Where adapter information comes from, and who releases and renews DHCP leases. The system's
// implementation reads the machine; tests hand in a fake. Every call may block for as long as the
// machine's tools take (a release or renew up to its timeout): the page calls them on a thread of
// its own, one call at a time.
class AdapterInfoSource
{
public:
    virtual ~AdapterInfoSource() = default;
    // Fills `info` in place; false when the system could not be read.
    virtual bool readNetworkInfo(NetworkInfo& info) = 0;
    virtual LeaseOutcome releaseLease(quint32 adapterIndex) = 0;
    virtual LeaseOutcome renewLease(quint32 adapterIndex) = 0;
    // Whether release and renew can work on this machine at all (a network manager or DHCP
    // client that takes the request).
    virtual bool canChangeLeases() const = 0;
};

} // namespace quendal
