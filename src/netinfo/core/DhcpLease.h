#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

namespace quendal {

// What the machine's DHCP client knows of one interface's lease. Times are seconds since 1970
// (UTC); -1 where the client does not say, or says a time before 1970.
struct DhcpLease
{
    QString address;
    QString server;
    qint64 obtained = -1;
    qint64 expires = -1;
};

// The newest lease of `interfaceName` in an ISC dhclient lease file (the last "lease { ... }"
// block naming the interface; dhclient appends). Obtained is the expiry minus the lease time;
// every time that is negative or cannot be computed without overflow is -1.
std::optional<DhcpLease> parseDhclientLeases(const QString& text, const QString& interfaceName);

// systemd-networkd's lease file of one interface (/run/systemd/netif/leases/IFINDEX, KEY=VALUE
// lines). It holds no time stamp: the file is written when the lease is obtained, so its
// modification time stands for that, and the expiry is that plus LIFETIME (-1 when either is
// negative or the sum overflows).
std::optional<DhcpLease> parseNetworkdLease(const QString& text, qint64 writtenAt);

// NetworkManager's DHCP options of one device as `nmcli -t -f DHCP4 device show IF` prints
// them ("DHCP4.OPTION[3]:dhcp_server_identifier = 192.168.1.1"); none when it lists no option.
std::optional<DhcpLease> parseNmcliDhcp4(const QString& text);

} // namespace quendal
