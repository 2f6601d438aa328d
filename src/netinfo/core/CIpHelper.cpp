#include "netinfo/core/CIpHelper.h"

namespace quendal {

CIpHelper::CIpHelper(std::shared_ptr<AdapterInfoSource> adapters,
                     std::shared_ptr<SocketTableSource> tables)
    : adapters_(std::move(adapters)), tables_(std::move(tables))
{}

// A missing source reads as a failed read: the page then shows nothing, as for any failure.
bool CIpHelper::ReadNetworkInfo(NetworkInfo& info)
{
    info.AdapterCount = 0;
    return adapters_ && adapters_->readNetworkInfo(info);
}

LeaseOutcome CIpHelper::ReleaseLease(quint32 adapterIndex)
{
    if (!adapters_)
        return {false, QStringLiteral("no adapter information")};
    return adapters_->releaseLease(adapterIndex);
}

LeaseOutcome CIpHelper::RenewLease(quint32 adapterIndex)
{
    if (!adapters_)
        return {false, QStringLiteral("no adapter information")};
    return adapters_->renewLease(adapterIndex);
}

bool CIpHelper::CanChangeLeases() const
{
    return adapters_ && adapters_->canChangeLeases();
}

bool CIpHelper::ReadTcpTable(std::vector<TcpRow>& rows)
{
    return tables_ && tables_->readTcpTable(rows);
}

bool CIpHelper::ReadUdpTable(std::vector<UdpRow>& rows)
{
    return tables_ && tables_->readUdpTable(rows);
}

} // namespace quendal
