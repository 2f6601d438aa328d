#pragma once

#include "netinfo/core/SocketTables.h"

#include <QString>

#include <memory>

namespace quendal {

inline constexpr const char* kProcNetTcpPath = "/proc/net/tcp";
inline constexpr const char* kProcNetUdpPath = "/proc/net/udp";

// The kernel's IPv4 TCP and UDP tables, read afresh from their /proc files on every call.
// Sockets open on IPv6 only, or dual-stack, are in /proc/net/tcp6 and udp6 and are not listed.
class ProcSocketTables : public SocketTableSource
{
public:
    explicit ProcSocketTables(QString tcpPath = QString::fromLatin1(kProcNetTcpPath),
                              QString udpPath = QString::fromLatin1(kProcNetUdpPath));

    bool readTcpTable(std::vector<TcpRow>& rows) override;
    bool readUdpTable(std::vector<UdpRow>& rows) override;

private:
    QString tcpPath_;
    QString udpPath_;
};

// The machine's own socket tables.
std::shared_ptr<SocketTableSource> systemSocketTables();

} // namespace quendal
