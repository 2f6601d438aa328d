#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

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

// Where the lease commands and files are. The defaults are the machine's own; tests point them at
// a lease manager of their own (a script in a folder of theirs, dhclient with private files).
struct LeaseSetup
{
    // Found out on first need when unset.
    std::optional<LeaseManager> manager;
    // Searched for the lease programs before PATH and the system folders.
    QStringList programFolders;
    // dhclient's files (-lf, -pf, -sf, -cf); dhclient's own defaults where empty. The lease file
    // is also where the adapter source reads dhclient's leases from.
    QString dhclientLeaseFile;
    QString dhclientPidFile;
    QString dhclientScript;
    QString dhclientConfig;
    // The resolver configuration the DNS servers come from.
    QString resolverFile = QStringLiteral("/etc/resolv.conf");
    // Waiting for a DHCP server may take a while; each command gets this long.
    int timeoutMs = 30000;
};

// How a release or renew went: on failure, the command's own words (its last line of error
// output), or what kept it from running.
struct LeaseOutcome
{
    bool ok = false;
    QString error;
};

// The commands (program and arguments, run in order) that release or renew the lease of
// `interfaceName` under `manager`; empty for LeaseManager::None. networkd has no release of its
// own: taking the link down drops the address, and renewing brings it up again first. dhclient
// renews with -1 (one try), so a missing server is reported instead of retried in the background,
// and runs with -v, the only way it says why it failed. A dhclient already running for the
// interface (`clientRunning`) is stopped first (-x), so that only the new one stays.
QList<QStringList> leaseCommands(LeaseManager manager, LeaseAction action,
                                 const QString& interfaceName, const LeaseSetup& setup = {},
                                 bool clientRunning = false);

// Whether the dhclient of the setup's pid file (dhclient's default one when none is set) runs.
bool dhclientRunning(const LeaseSetup& setup);

// The manager running on this machine: NetworkManager when nmcli reports it running, else
// systemd-networkd when it keeps its state file, else dhclient when it is installed. Runs nmcli
// (up to 3 s): call it off the user-interface thread.
LeaseManager detectLeaseManager(const QStringList& programFolders = {});

// The program `name` in `programFolders`, PATH or the system folders; empty when there is none.
QString findLeaseProgram(const QString& name, const QStringList& programFolders = {});

// Runs the commands in order, each given `timeoutMs`, and stops at the first failure. Nothing goes
// through a shell. Blocks: call it off the user-interface thread.
LeaseOutcome runLeaseCommands(const QList<QStringList>& commands, int timeoutMs,
                              const QStringList& programFolders = {});

} // namespace quendal
