#pragma once

#include "netinfo/core/LeaseControl.h"
#include "netinfo/core/LeaseTime.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

namespace quendal::test {

// A private DHCP network of the test's own: two network namespaces made here (held by file
// descriptors of this process, never named in /run/netns) joined by a veth pair; dnsmasq serves
// DHCP on the server side, and the machine's dhclient is the lease manager on the client side,
// with its lease, pid, configuration and script files in a temporary folder. dhclient's script is
// the fixture's own: it sets the address and default route on the client interface and writes the
// DNS servers to a resolv.conf in that folder, so nothing outside the two namespaces and the
// folder is touched. Everything goes when the fixture goes; a watchdog shell whose stdin is a pipe
// from this process kills dnsmasq and dhclient even when the test process dies.
class DhcpTestNetwork
{
public:
    static constexpr const char* kClientInterface = "qdl-cli";
    static constexpr const char* kServerInterface = "qdl-srv";
    static constexpr const char* kServerAddress = "10.213.7.1";
    static constexpr const char* kDnsServers[2] = {"10.213.7.53", "10.213.7.54"};
    static constexpr int kLeaseSeconds = 120;             // the shortest lease dnsmasq hands out
    static constexpr qint64 kBackdatedExpiry = 978307200; // 2001-01-01 00:00:00 UTC

    // Why the fixture cannot run here; empty when it can.
    static QString unavailableReason()
    {
        if (geteuid() != 0)
            return QStringLiteral("needs root to make network namespaces");
        for (const char* tool : {"dnsmasq", "dhclient", "ip", "nsenter", "setpriv"})
            if (program(QString::fromLatin1(tool)).isEmpty())
                return QStringLiteral("%1 is not installed").arg(QString::fromLatin1(tool));
        return {};
    }

    DhcpTestNetwork()
    {
        if (!dir_.isValid()) {
            error_ = QStringLiteral("no temporary folder");
            return;
        }
        originalNs_ = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
        serverNs_ = newNetworkNamespace();
        clientNs_ = newNetworkNamespace();
        if (originalNs_ < 0 || serverNs_ < 0 || clientNs_ < 0) {
            error_ = QStringLiteral("cannot make network namespaces");
            return;
        }
        startWatchdog();
        writeDhclientFiles();
        const QString srv = QString::fromLatin1(kServerInterface);
        const QString cli = QString::fromLatin1(kClientInterface);
        ok_ = run(serverNs_,
                  {program(QStringLiteral("ip")), QStringLiteral("link"), QStringLiteral("add"),
                   srv, QStringLiteral("type"), QStringLiteral("veth"), QStringLiteral("peer"),
                   QStringLiteral("name"), cli, QStringLiteral("netns"), nsPath(clientNs_)}) &&
              ip(serverNs_, QStringLiteral("addr add %1/24 dev %2")
                                .arg(QString::fromLatin1(kServerAddress), srv)) &&
              ip(serverNs_, QStringLiteral("link set %1 up").arg(srv)) &&
              ip(serverNs_, QStringLiteral("link set lo up")) &&
              ip(clientNs_, QStringLiteral("link set lo up")) && startServer();
    }

    ~DhcpTestNetwork()
    {
        // A dhclient that went to the background may not have written its pid file yet: find it
        // by the fixture's own pid file on its command line.
        stopOwnClients();
        // The watchdog's trap stops dhclient and dnsmasq; then nothing holds the namespaces but
        // our descriptors, and closing them removes both with the veth pair.
        watchdog_.closeWriteChannel();
        watchdog_.waitForFinished(5000);
        dnsmasq_.terminate();
        dnsmasq_.waitForFinished(5000);
        for (int fd : {serverNs_, clientNs_, originalNs_})
            if (fd >= 0)
                ::close(fd);
    }

    bool ok() const { return ok_; }
    QString error() const { return error_; }
    // Every command the fixture ran, one per line, for the record.
    QString commands() const { return commands_.join(QLatin1Char('\n')); }
    QString path(const QString& name) const { return dir_.filePath(name); }

    // The program's lease control aimed at the fixture's dhclient and files.
    LeaseSetup leaseSetup() const
    {
        LeaseSetup setup;
        setup.manager = LeaseManager::Dhclient;
        setup.dhclientLeaseFile = path(QStringLiteral("dhclient.leases"));
        setup.dhclientPidFile = path(QStringLiteral("dhclient.pid"));
        setup.dhclientScript = path(QStringLiteral("dhclient-script"));
        setup.dhclientConfig = path(QStringLiteral("dhclient.conf"));
        setup.resolverFile = path(QStringLiteral("resolv.conf"));
        setup.timeoutMs = 20000;
        return setup;
    }

    // The same, but dhclient runs as nobody: a user without root pressing Renew.
    LeaseSetup leaseSetupWithoutRoot() const
    {
        LeaseSetup setup = leaseSetup();
        setup.programFolders = {path(QStringLiteral("unprivileged"))};
        return setup;
    }

    // Moves every lease dhclient recorded so far to expire at the start of 2001, so that the
    // lease a later Renew records can be told from them whatever second it comes in, with no
    // wait for the clock to turn. backdatedObtained() is what such a lease shows as obtained.
    void backdateRecordedLeases() const
    {
        static const QRegularExpression time(QStringLiteral(
            "\\b(renew|rebind|expire) \\d+ \\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d;"));
        const QString file = path(QStringLiteral("dhclient.leases"));
        write(file, QString::fromUtf8(readAll(file))
                        .replace(time, QStringLiteral("\\1 1 2001/01/01 00:00:00;"))
                        .toUtf8());
    }
    static QString backdatedObtained() { return formatLeaseTime(kBackdatedExpiry - kLeaseSeconds); }

    // The server goes away, as a router that was switched off.
    void stopServer()
    {
        dnsmasq_.terminate();
        dnsmasq_.waitForFinished(5000);
    }

    // dnsmasq's lease database (expiry, MAC, address, ...), to compare with dhclient's.
    QByteArray serverLeases() const { return readAll(path(QStringLiteral("dnsmasq.leases"))); }

    // Puts the calling thread into the client's namespace for its lifetime: threads and processes
    // it starts meanwhile are there too. Made on the main thread, /proc/self/net follows as well.
    class ClientSide
    {
    public:
        explicit ClientSide(const DhcpTestNetwork& network) : network_(network)
        {
            entered_ = setns(network.clientNs_, CLONE_NEWNET) == 0;
        }
        ~ClientSide()
        {
            if (entered_)
                setns(network_.originalNs_, CLONE_NEWNET);
        }
        bool entered() const { return entered_; }

    private:
        const DhcpTestNetwork& network_;
        bool entered_ = false;
    };

private:
    static QString program(const QString& name)
    {
        QString found = QStandardPaths::findExecutable(name);
        if (found.isEmpty())
            found = QStandardPaths::findExecutable(
                name, {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin"),
                       QStringLiteral("/usr/bin"), QStringLiteral("/bin")});
        return found;
    }

    static QByteArray readAll(const QString& file)
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    static void write(const QString& file, const QByteArray& text, bool executable = false)
    {
        QFile f(file);
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            f.write(text);
        f.close();
        if (executable)
            f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                             QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                             QFile::ExeOther);
    }

    void stopOwnClients()
    {
        const QByteArray mark = path(QStringLiteral("dhclient.pid")).toLocal8Bit();
        const QStringList processes = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
        for (const QString& entry : processes) {
            bool numeric = false;
            const pid_t pid = pid_t(entry.toInt(&numeric));
            if (!numeric || pid == getpid())
                continue;
            const QByteArray commandLine = readAll(QStringLiteral("/proc/%1/cmdline").arg(pid));
            if (commandLine.contains(mark) && commandLine.contains("dhclient")) {
                // Its end is awaited through a pidfd, which turns readable when it exits.
                const int pidfd = int(::syscall(SYS_pidfd_open, pid, 0));
                ::kill(pid, SIGTERM);
                if (pidfd >= 0) {
                    pollfd exited{pidfd, POLLIN, 0};
                    ::poll(&exited, 1, 2000);
                    ::close(pidfd);
                }
            }
        }
    }

    // A namespace of its own, made on a short-lived thread so that this one stays where it is.
    static int newNetworkNamespace()
    {
        int fd = -1;
        std::thread maker([&] {
            if (unshare(CLONE_NEWNET) == 0)
                fd = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
        });
        maker.join();
        return fd;
    }

    static QString nsPath(int fd) { return QStringLiteral("/proc/%1/fd/%2").arg(getpid()).arg(fd); }

    QStringList inNamespace(int ns, const QStringList& command) const
    {
        return QStringList{program(QStringLiteral("nsenter")),
                           QStringLiteral("--net=%1").arg(nsPath(ns))} +
               command;
    }

    bool run(int ns, const QStringList& command)
    {
        const QStringList full = inNamespace(ns, command);
        commands_ << full.join(QLatin1Char(' '));
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(full.first(), full.mid(1));
        if (!process.waitForFinished(10000) || process.exitCode() != 0) {
            error_ = QStringLiteral("%1: %2").arg(commands_.last(),
                                                  QString::fromUtf8(process.readAll()));
            return false;
        }
        return true;
    }

    bool ip(int ns, const QString& arguments)
    {
        return run(ns,
                   QStringList{program(QStringLiteral("ip"))} + arguments.split(QLatin1Char(' ')));
    }

    // The watchdog outlives nothing: when this process closes the pipe, by the fixture's end or
    // by dying, `cat` ends and the trap stops the servers and clients of the fixture.
    void startWatchdog()
    {
        const QString pids = QStringLiteral("%1 %2").arg(path(QStringLiteral("dhclient.pid")),
                                                         path(QStringLiteral("dnsmasq.pid")));
        // The cleanup runs after `cat` (a trap on EXIT would not: the shell may exec its last
        // command) and on the signals that end a test run.
        const QString script =
            QStringLiteral("cleanup() { for f in %1; do [ -s \"$f\" ] && kill \"$(cat \"$f\")\" "
                           "2>/dev/null; done; }; trap 'cleanup; exit 1' HUP INT TERM; "
                           "cat >/dev/null; cleanup")
                .arg(pids);
        commands_ << QStringLiteral("sh -c \"%1\"").arg(script);
        watchdog_.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script});
        watchdog_.waitForStarted(5000);
    }

    void writeDhclientFiles()
    {
        const QString ipTool = program(QStringLiteral("ip"));
        const QString resolv = path(QStringLiteral("resolv.conf"));
        // dhclient's hooks: only the client interface, only this folder.
        const QString script =
            QStringLiteral(
                "#!/bin/sh\n"
                "echo \"$reason $new_ip_address $new_subnet_mask $new_routers "
                "$new_domain_name_servers\" >> %1\n"
                "case \"$reason\" in\n"
                "PREINIT) %2 link set dev \"$interface\" up ;;\n"
                "BOUND|RENEW|REBIND|REBOOT)\n"
                "  %2 -4 addr flush dev \"$interface\"\n"
                "  %2 addr add \"$new_ip_address/$new_subnet_mask\" dev \"$interface\"\n"
                "  for r in $new_routers; do %2 route replace default via \"$r\" dev "
                "\"$interface\"; break; done\n"
                "  printf 'nameserver %s\\n' $new_domain_name_servers > %3 ;;\n"
                "EXPIRE|FAIL|RELEASE|STOP) %2 -4 addr flush dev \"$interface\"; : > %3 ;;\n"
                "TIMEOUT) exit 1 ;;\n"
                "esac\n"
                "exit 0\n")
                .arg(path(QStringLiteral("dhclient-script.log")), ipTool, resolv);
        write(path(QStringLiteral("dhclient-script")), script.toUtf8(), true);
        // Quick to give up when the server is gone, quick to ask again.
        write(path(QStringLiteral("dhclient.conf")),
              "timeout 3;\ninitial-interval 1;\nbackoff-cutoff 1;\n");
        write(resolv, "");
        // The real dhclient, as a user without root would run it.
        QDir(dir_.path()).mkdir(QStringLiteral("unprivileged"));
        write(path(QStringLiteral("unprivileged/dhclient")),
              QStringLiteral("#!/bin/sh\nexec %1 --reuid=65534 --regid=65534 --clear-groups %2 "
                             "\"$@\"\n")
                  .arg(program(QStringLiteral("setpriv")), program(QStringLiteral("dhclient")))
                  .toUtf8(),
              true);
    }

    bool startServer()
    {
        const QString net = QStringLiteral("10.213.7");
        const QStringList command = inNamespace(
            serverNs_,
            {program(QStringLiteral("dnsmasq")), QStringLiteral("--keep-in-foreground"),
             QStringLiteral("--conf-file=/dev/null"), QStringLiteral("--no-resolv"),
             QStringLiteral("--no-hosts"), QStringLiteral("--port=0"),
             QStringLiteral("--user=root"), QStringLiteral("--group=root"),
             QStringLiteral("--interface=%1").arg(QString::fromLatin1(kServerInterface)),
             QStringLiteral("--bind-interfaces"), QStringLiteral("--no-ping"),
             QStringLiteral("--dhcp-authoritative"),
             QStringLiteral("--dhcp-range=%1.50,%1.99,255.255.255.0,%2s")
                 .arg(net)
                 .arg(kLeaseSeconds),
             QStringLiteral("--dhcp-option=option:router,%1")
                 .arg(QString::fromLatin1(kServerAddress)),
             QStringLiteral("--dhcp-option=option:dns-server,%1,%2")
                 .arg(QString::fromLatin1(kDnsServers[0]), QString::fromLatin1(kDnsServers[1])),
             QStringLiteral("--dhcp-leasefile=%1").arg(path(QStringLiteral("dnsmasq.leases"))),
             QStringLiteral("--pid-file=%1").arg(path(QStringLiteral("dnsmasq.pid"))),
             QStringLiteral("--log-facility=%1").arg(path(QStringLiteral("dnsmasq.log"))),
             QStringLiteral("--log-dhcp")});
        commands_ << command.join(QLatin1Char(' '));
        // Killed with this process too, whatever ends it.
        dnsmasq_.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
        dnsmasq_.setProcessChannelMode(QProcess::MergedChannels);
        dnsmasq_.start(command.first(), command.mid(1));
        // Serving once it has written its pid file.
        for (int i = 0; i < 100 && readAll(path(QStringLiteral("dnsmasq.pid"))).isEmpty(); ++i) {
            if (dnsmasq_.waitForFinished(50)) {
                error_ = QStringLiteral("dnsmasq: %1").arg(QString::fromUtf8(dnsmasq_.readAll()));
                return false;
            }
        }
        return !readAll(path(QStringLiteral("dnsmasq.pid"))).isEmpty();
    }

    QTemporaryDir dir_;
    int originalNs_ = -1;
    int serverNs_ = -1;
    int clientNs_ = -1;
    QProcess watchdog_;
    QProcess dnsmasq_;
    QStringList commands_;
    QString error_;
    bool ok_ = false;
};

} // namespace quendal::test
