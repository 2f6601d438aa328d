#include "netinfo/core/LinuxAdapterInfo.h"

#include "common/core/TextFiles.h"
#include "netinfo/core/HardwareAddress.h"
#include "netinfo/core/LeaseTime.h"
#include "netinfo/core/ResolverConfig.h"
#include "netinfo/core/RouteTable.h"

#include <QDir>
#include <QFileInfo>
#include <QNetworkInterface>
#include <QProcess>
#include <QStandardPaths>
#include <QSysInfo>

namespace quendal {
namespace {

std::optional<QString> readText(const QString& path)
{
    if (const auto bytes = readWholeFile(path))
        return QString::fromUtf8(*bytes);
    return std::nullopt;
}

QString sysNetPath(const QString& interfaceName, const QString& entry)
{
    return QStringLiteral("/sys/class/net/%1/%2").arg(interfaceName, entry);
}

// "eth0 (virtio_net)": the kernel's name, which the user knows from every other tool, and the
// driver behind it where the interface has a device.
QString describe(const QString& interfaceName)
{
    QString driver = QFileInfo(sysNetPath(interfaceName, QStringLiteral("device/driver")))
                         .symLinkTarget()
                         .section(QLatin1Char('/'), -1);
    if (driver.isEmpty()) {
        const QString uevent = readText(sysNetPath(interfaceName, QStringLiteral("device/uevent")))
                                   .value_or(QString());
        for (const QString& line : uevent.split(QLatin1Char('\n')))
            if (line.startsWith(QLatin1String("DRIVER=")))
                driver = line.mid(7);
    }
    return driver.isEmpty() ? interfaceName : QStringLiteral("%1 (%2)").arg(interfaceName, driver);
}

std::optional<DhcpLease> networkManagerLease(const QString& interfaceName)
{
    QProcess nmcli;
    nmcli.start(QStringLiteral("nmcli"),
                {QStringLiteral("-t"), QStringLiteral("-f"), QStringLiteral("DHCP4"),
                 QStringLiteral("device"), QStringLiteral("show"), interfaceName});
    if (!nmcli.waitForFinished(3000) || nmcli.exitCode() != 0)
        return std::nullopt;
    return parseNmcliDhcp4(QString::fromUtf8(nmcli.readAllStandardOutput()));
}

std::optional<DhcpLease> networkdLease(quint32 index)
{
    const QString path = QStringLiteral("/run/systemd/netif/leases/%1").arg(index);
    const auto text = readText(path);
    if (!text)
        return std::nullopt;
    return parseNetworkdLease(*text, QFileInfo(path).lastModified().toSecsSinceEpoch());
}

} // namespace

LinuxAdapterInfo::LinuxAdapterInfo(LeaseSetup setup) : setup_(std::move(setup))
{}

LeaseManager LinuxAdapterInfo::manager() const
{
    if (!setup_.manager)
        setup_.manager = detectLeaseManager(setup_.programFolders);
    return *setup_.manager;
}

// resolved's upstream servers stand in for its local stub, unless the resolver file was chosen.
void LinuxAdapterInfo::fillHostAndDns(NetworkInfo& info) const
{
    info.HostName = QSysInfo::machineHostName();
    info.DnsServers.fill(QString());
    const bool systemResolver = setup_.resolverFile == LeaseSetup().resolverFile;
    const QStringList servers = chooseDnsServers(
        readText(setup_.resolverFile).value_or(QString()),
        systemResolver ? readText(QStringLiteral("/run/systemd/resolve/resolv.conf"))
                       : std::nullopt);
    for (qsizetype i = 0; i < servers.size() && i < kDnsServerSlots; ++i)
        info.DnsServers[size_t(i)] = servers[i];
}

// dhclient keeps one file per interface or one for all; the lease that expires last is newest.
std::optional<DhcpLease> LinuxAdapterInfo::dhclientLease(const QString& interfaceName) const
{
    if (!setup_.dhclientLeaseFile.isEmpty()) {
        const auto text = readText(setup_.dhclientLeaseFile);
        return text ? parseDhclientLeases(*text, interfaceName) : std::nullopt;
    }
    std::optional<DhcpLease> newest;
    for (const QString& folder :
         {QStringLiteral("/var/lib/dhcp"), QStringLiteral("/var/lib/dhclient")}) {
        const QDir dir(folder);
        for (const QString& name :
             dir.entryList({QStringLiteral("dhclient*.leases")}, QDir::Files)) {
            const auto text = readText(dir.filePath(name));
            const auto lease = text ? parseDhclientLeases(*text, interfaceName) : std::nullopt;
            if (lease && (!newest || lease->expires > newest->expires))
                newest = lease;
        }
    }
    return newest;
}

std::optional<DhcpLease> LinuxAdapterInfo::leaseOf(const QString& interfaceName,
                                                   quint32 index) const
{
    // A dhclient of one's own keeps its leases in the file it was given, and nowhere else.
    if (!setup_.dhclientLeaseFile.isEmpty())
        return dhclientLease(interfaceName);
    if (manager() == LeaseManager::NetworkManager)
        if (auto lease = networkManagerLease(interfaceName))
            return lease;
    if (auto lease = networkdLease(index))
        return lease;
    return dhclientLease(interfaceName);
}

bool LinuxAdapterInfo::readNetworkInfo(NetworkInfo& info)
{
    info.AdapterCount = 0;
    fillHostAndDns(info);

    const auto routes = readText(QStringLiteral("/proc/net/route"));
    const QHash<QString, QString> gateways = parseDefaultGateways(routes.value_or(QString()));

    QList<AdapterRecord> adapters;
    for (const QNetworkInterface& interface : QNetworkInterface::allInterfaces()) {
        AdapterRecord adapter;
        adapter.Description = describe(interface.name());
        adapter.PhysicalAddress =
            formatPhysicalAddress(parseColonHexAddress(interface.hardwareAddress()));
        adapter.Index = quint32(interface.index());
        // The last IPv4 address stays, as when several are listed.
        for (const QNetworkAddressEntry& entry : interface.addressEntries()) {
            if (entry.ip().protocol() != QAbstractSocket::IPv4Protocol)
                continue;
            adapter.IpAddress = entry.ip().toString();
            adapter.SubnetMask = entry.netmask().toString();
        }
        adapter.DefaultGateway = gateways.value(interface.name());
        // A stale lease of an interface that is now set up by hand does not count.
        const auto lease = leaseOf(interface.name(), adapter.Index);
        if (lease && (lease->address.isEmpty() || adapter.IpAddress.isEmpty() ||
                      lease->address == adapter.IpAddress)) {
            adapter.DhcpEnabled = true;
            adapter.DhcpServer = lease->server;
            adapter.LeaseObtained = formatLeaseTime(lease->obtained);
            adapter.LeaseExpires = formatLeaseTime(lease->expires);
        }
        adapters.append(adapter);
    }
    if (adapters.isEmpty() && !routes)
        return false; // no kernel interface readable at all
    info.Adapters = adapters;
    info.AdapterCount = int(adapters.size());
    return true;
}

LeaseOutcome LinuxAdapterInfo::changeLease(quint32 adapterIndex, LeaseAction action)
{
    const QNetworkInterface interface = QNetworkInterface::interfaceFromIndex(int(adapterIndex));
    if (!interface.isValid())
        return {false, QStringLiteral("no adapter with index %1").arg(adapterIndex)};
    const bool running = manager() == LeaseManager::Dhclient && dhclientRunning(setup_);
    return runLeaseCommands(leaseCommands(manager(), action, interface.name(), setup_, running),
                            setup_.timeoutMs, setup_.programFolders);
}

LeaseOutcome LinuxAdapterInfo::releaseLease(quint32 adapterIndex)
{
    return changeLease(adapterIndex, LeaseAction::Release);
}

LeaseOutcome LinuxAdapterInfo::renewLease(quint32 adapterIndex)
{
    return changeLease(adapterIndex, LeaseAction::Renew);
}

bool LinuxAdapterInfo::canChangeLeases() const
{
    return manager() != LeaseManager::None;
}

std::shared_ptr<AdapterInfoSource> systemAdapterInfo(const LeaseSetup& setup)
{
    return std::make_shared<LinuxAdapterInfo>(setup);
}

} // namespace quendal
