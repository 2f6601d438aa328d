#include "netinfo/core/ProcSocketTables.h"

#include "netinfo/core/ProcNetParser.h"

#include <QFile>

namespace quendal {
namespace {

// /proc files report a size of 0, so they are read to their end rather than by size.
std::optional<QByteArray> readWholeFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray text = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return text;
}

template <typename Row, typename Parse>
bool readTable(const QString& path, Parse parse, std::vector<Row>& rows)
{
    const auto text = readWholeFile(path);
    if (!text)
        return false;
    auto parsed = parse(*text);
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
    return readTable(tcpPath_, parseProcNetTcp, rows);
}

bool ProcSocketTables::readUdpTable(std::vector<UdpRow>& rows)
{
    return readTable(udpPath_, parseProcNetUdp, rows);
}

std::shared_ptr<SocketTableSource> systemSocketTables()
{
    return std::make_shared<ProcSocketTables>();
}

} // namespace quendal
