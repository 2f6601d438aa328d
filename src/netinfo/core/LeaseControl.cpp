#include "netinfo/core/LeaseControl.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace quendal {
namespace {

// The system folders too: dhclient lives in /sbin, which a user's PATH may lack.
QString findProgram(const QString& name)
{
    QString path = QStandardPaths::findExecutable(name);
    if (path.isEmpty())
        path = QStandardPaths::findExecutable(
            name, {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin"), QStringLiteral("/usr/bin"),
                   QStringLiteral("/bin")});
    return path;
}

bool networkManagerRunning()
{
    const QString nmcli = findProgram(QStringLiteral("nmcli"));
    if (nmcli.isEmpty())
        return false;
    QProcess process;
    process.start(nmcli, {QStringLiteral("-t"), QStringLiteral("-f"), QStringLiteral("RUNNING"),
                          QStringLiteral("general")});
    if (!process.waitForFinished(3000))
        return false;
    return process.readAllStandardOutput().trimmed() == "running";
}

} // namespace

QList<QStringList> leaseCommands(LeaseManager manager, LeaseAction action,
                                 const QString& interfaceName)
{
    const bool release = action == LeaseAction::Release;
    switch (manager) {
    case LeaseManager::NetworkManager:
        return {{QStringLiteral("nmcli"), QStringLiteral("device"),
                 release ? QStringLiteral("disconnect") : QStringLiteral("connect"),
                 interfaceName}};
    case LeaseManager::Networkd:
        if (release)
            return {{QStringLiteral("networkctl"), QStringLiteral("down"), interfaceName}};
        return {{QStringLiteral("networkctl"), QStringLiteral("up"), interfaceName},
                {QStringLiteral("networkctl"), QStringLiteral("renew"), interfaceName}};
    case LeaseManager::Dhclient:
        if (release)
            return {{QStringLiteral("dhclient"), QStringLiteral("-r"), interfaceName}};
        return {{QStringLiteral("dhclient"), interfaceName}};
    case LeaseManager::None:
        break;
    }
    return {};
}

LeaseManager detectLeaseManager()
{
    if (networkManagerRunning())
        return LeaseManager::NetworkManager;
    if (QFileInfo::exists(QStringLiteral("/run/systemd/netif/state")) &&
        !findProgram(QStringLiteral("networkctl")).isEmpty())
        return LeaseManager::Networkd;
    if (!findProgram(QStringLiteral("dhclient")).isEmpty())
        return LeaseManager::Dhclient;
    return LeaseManager::None;
}

bool runLeaseCommands(const QList<QStringList>& commands, int timeoutMs)
{
    if (commands.isEmpty())
        return false;
    for (const QStringList& command : commands) {
        const QString program = findProgram(command.value(0));
        if (program.isEmpty())
            return false;
        QProcess process;
        process.start(program, command.mid(1));
        if (!process.waitForFinished(timeoutMs)) {
            process.kill();
            process.waitForFinished(1000);
            return false;
        }
        if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
            return false;
    }
    return true;
}

} // namespace quendal
