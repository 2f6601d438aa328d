#pragma once

#include "netinfo/core/NetworkInfo.h"
#include "netinfo/core/SocketTables.h"

#include <memory>

namespace quendal {

// The network pages' face of the machine: adapters and leases from one source, the TCP and UDP
// tables from another. Each page owns its own helper; the sources behind them may be shared.
// Every call may block while the machine's tools run: the pages call it off their own thread.
class CIpHelper
{
public:
    CIpHelper(std::shared_ptr<AdapterInfoSource> adapters,
              std::shared_ptr<SocketTableSource> tables);

    bool ReadNetworkInfo(NetworkInfo& info);
    LeaseOutcome ReleaseLease(quint32 adapterIndex);
    LeaseOutcome RenewLease(quint32 adapterIndex);
    bool CanChangeLeases() const;
    bool ReadTcpTable(std::vector<TcpRow>& rows);
    bool ReadUdpTable(std::vector<UdpRow>& rows);

private:
    std::shared_ptr<AdapterInfoSource> adapters_;
    std::shared_ptr<SocketTableSource> tables_;
};

} // namespace quendal
