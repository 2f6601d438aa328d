#include "netinfo/core/ProcSocketTables.h"

#include "common/core/TextFiles.h"
#include "netinfo/core/ProcNetParser.h"

namespace quendal {
namespace {

template <typename Row> bool readTable(const QString& path, std::vector<Row>& rows)
{
    const auto text = readWholeFile(path);
    if (!text)
        return false;
    auto parsed = parseProcNet<Row>(*text);
    if (!parsed)
        return false;
    rows = std::move(*parsed);
    return true;
}

} // namespace

ProcSocketTables::ProcSocketTables(QString tcpPath, QString udpPath)
    : tcpPath_(std::move(tcpPath)), udpPath_(std::move(udpPath))
{}

bool ProcSocketTables::readTcpTable(std::vector<TcpRow>& rows)
{
    return readTable(tcpPath_, rows);
}

bool ProcSocketTables::readUdpTable(std::vector<UdpRow>& rows)
{
    return readTable(udpPath_, rows);
}

std::shared_ptr<SocketTableSource> systemSocketTables()
{
    return std::make_shared<ProcSocketTables>();
}

} // namespace quendal
