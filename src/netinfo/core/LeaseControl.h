#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace quendal {

// Who hands out this machine's DHCP leases and can be asked to release or renew one.
enum class LeaseManager
{
    None,
    NetworkManager, // through nmcli
    Networkd,       // systemd-networkd, through networkctl
    Dhclient        // ISC dhclient run by ifupdown
};

enum class LeaseAction
{
    Release,
    Renew
};

// The commands (program and arguments, run in order) that release or renew the lease of
// `interfaceName` under `manager`; empty for LeaseManager::None. networkd has no release of its
// own: taking the link down drops the address, and renewing brings it up again first.
QList<QStringList> leaseCommands(LeaseManager manager, LeaseAction action,
                                 const QString& interfaceName);

// The manager running on this machine: NetworkManager when nmcli reports it running, else
// systemd-networkd when it keeps its state file, else dhclient when it is installed.
LeaseManager detectLeaseManager();

// Runs the commands in order, each given `timeoutMs`; true when all exited with status 0.
// Nothing goes through a shell.
bool runLeaseCommands(const QList<QStringList>& commands, int timeoutMs);

} // namespace quendal
