#include "netinfo/core/LeaseControl.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <cerrno>
#include <csignal>

namespace quendal {
namespace {

constexpr int kErrorTextLimit = 200;

bool networkManagerRunning(const QStringList& programFolders)
{
    const QString nmcli = findLeaseProgram(QStringLiteral("nmcli"), programFolders);
    if (nmcli.isEmpty())
        return false;
    QProcess process;
    process.start(nmcli, {QStringLiteral("-t"), QStringLiteral("-f"), QStringLiteral("RUNNING"),
                          QStringLiteral("general")});
    if (!process.waitForFinished(3000))
        return false;
    return process.readAllStandardOutput().trimmed() == "running";
}

// The last line a command wrote to its error output (or, failing that, its output), made safe to
// show: control characters become spaces and the length is bounded. dhclient ends its errors with
// a paragraph about reporting bugs and "exiting."; the line before that paragraph says what failed.
QString lastLine(const QByteArray& errors, const QByteArray& output)
{
    for (const QByteArray& stream : {errors, output}) {
        QList<QByteArray> lines = stream.split('\n');
        for (qsizetype i = 0; i < lines.size(); ++i)
            if (lines[i].startsWith("If you think you have received this message")) {
                lines.resize(i);
                break;
            }
        while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
            lines.removeLast();
        if (lines.isEmpty())
            continue;
        QString line = QString::fromUtf8(lines.last()).trimmed();
        for (QChar& c : line)
            if (!c.isPrint())
                c = QLatin1Char(' ');
        return line.left(kErrorTextLimit);
    }
    return {};
}

QString describeFailure(const QString& name, const QProcess& process, const QString& said)
{
    if (process.exitStatus() != QProcess::NormalExit)
        return QStringLiteral("%1 stopped by a signal").arg(name);
    const QString status =
        QStringLiteral("%1 exited with status %2").arg(name).arg(process.exitCode());
    return said.isEmpty() ? status : QStringLiteral("%1: %2").arg(status, said);
}

} // namespace

// The system folders too: dhclient lives in /sbin, which a user's PATH may lack.
QString findLeaseProgram(const QString& name, const QStringList& programFolders)
{
    QString path;
    if (!programFolders.isEmpty())
        path = QStandardPaths::findExecutable(name, programFolders);
    if (path.isEmpty())
        path = QStandardPaths::findExecutable(name);
    if (path.isEmpty())
        path = QStandardPaths::findExecutable(name,
                                              {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin"),
                                               QStringLiteral("/usr/bin"), QStringLiteral("/bin")});
    return path;
}

QList<QStringList> leaseCommands(LeaseManager manager, LeaseAction action,
                                 const QString& interfaceName, const LeaseSetup& setup,
                                 bool clientRunning)
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
    case LeaseManager::Dhclient: {
        // -v: without it dhclient gives no reason when it fails.
        auto dhclient = [&](const QString& mode) {
            QStringList command{QStringLiteral("dhclient"), QStringLiteral("-v"), mode};
            const std::pair<const char*, QString> files[] = {{"-lf", setup.dhclientLeaseFile},
                                                             {"-pf", setup.dhclientPidFile},
                                                             {"-sf", setup.dhclientScript},
                                                             {"-cf", setup.dhclientConfig}};
            for (const auto& [option, file] : files)
                if (!file.isEmpty())
                    command << QString::fromLatin1(option) << file;
            return command << interfaceName;
        };
        if (release)
            return {dhclient(QStringLiteral("-r"))};
        // A second client on the same interface would keep the first one running beside it.
        if (clientRunning)
            return {dhclient(QStringLiteral("-x")), dhclient(QStringLiteral("-1"))};
        return {dhclient(QStringLiteral("-1"))};
    }
    case LeaseManager::None:
        break;
    }
    return {};
}

bool dhclientRunning(const LeaseSetup& setup)
{
    const QString pidFile = setup.dhclientPidFile.isEmpty() ? QStringLiteral("/run/dhclient.pid")
                                                            : setup.dhclientPidFile;
    QFile file(pidFile);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const pid_t pid = pid_t(file.readAll().trimmed().toInt());
    return pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM);
}

LeaseManager detectLeaseManager(const QStringList& programFolders)
{
    if (networkManagerRunning(programFolders))
        return LeaseManager::NetworkManager;
    if (QFileInfo::exists(QStringLiteral("/run/systemd/netif/state")) &&
        !findLeaseProgram(QStringLiteral("networkctl"), programFolders).isEmpty())
        return LeaseManager::Networkd;
    if (!findLeaseProgram(QStringLiteral("dhclient"), programFolders).isEmpty())
        return LeaseManager::Dhclient;
    return LeaseManager::None;
}

LeaseOutcome runLeaseCommands(const QList<QStringList>& commands, int timeoutMs,
                              const QStringList& programFolders)
{
    if (commands.isEmpty())
        return {false, QStringLiteral("no DHCP client or network manager on this machine")};
    for (const QStringList& command : commands) {
        const QString name = command.value(0);
        const QString program = findLeaseProgram(name, programFolders);
        if (program.isEmpty())
            return {false, QStringLiteral("%1 is not installed").arg(name)};
        QProcess process;
        process.start(program, command.mid(1));
        if (!process.waitForStarted(timeoutMs))
            return {false,
                    QStringLiteral("%1 could not be started: %2").arg(name, process.errorString())};
        if (!process.waitForFinished(timeoutMs)) {
            process.kill();
            process.waitForFinished(1000);
            return {false, QStringLiteral("%1 gave no answer within %2 s")
                               .arg(name, QString::number(timeoutMs / 1000.0))};
        }
        if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
            return {false, describeFailure(name, process,
                                           lastLine(process.readAllStandardError(),
                                                    process.readAllStandardOutput()))};
    }
    return {true, {}};
}

} // namespace quendal
