// The receiver without a window on both IP families, as a real process with real clients.
#include "app/core/HeadlessOptions.h"
#include "app/core/HeadlessProcess.h"
#include "app/core/ReplayTarget.h"
#include "support/Ipv6Loopback.h"
#include "support/TestSupport.h"

#include <QTemporaryDir>

#include <cstddef>
#include <gtest/gtest.h>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>

namespace quendal {
namespace {

using test::Headless;
using test::readFile;
using test::waitUntil;

// logger as a real client: RFC 5424 without a host name, so the entry's Host is the sender's
// address as the receiver names it, and its Message "root: " and the text.
void loggerSends(const QString& address, quint16 port, const QString& message)
{
    QProcess logger;
    logger.start(QStringLiteral("logger"),
                 {QStringLiteral("-n"), address, QStringLiteral("-P"), QString::number(port),
                  QStringLiteral("-d"), QStringLiteral("--rfc5424=nohost,notq"),
                  QStringLiteral("-p"), QStringLiteral("local0.info"), message});
    ASSERT_TRUE(logger.waitForFinished(5000));
    ASSERT_EQ(logger.exitCode(), 0) << logger.readAllStandardError().constData();
}

QStringList withPort(quint16 port, QStringList more)
{
    return QStringList{QStringLiteral("--port"), QString::number(port)} + more;
}

#if defined(__x86_64__)
constexpr quint32 kAuditArch = AUDIT_ARCH_X86_64;
#elif defined(__aarch64__)
constexpr quint32 kAuditArch = AUDIT_ARCH_AARCH64;
#else
constexpr quint32 kAuditArch = 0;
#endif

// Run in the receiver's process before it starts: from then on every IPv6 socket is refused as
// on a system built without IPv6 (EAFNOSUPPORT), the rest of the system calls go through.
void withoutIpv6Sockets()
{
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, kAuditArch, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_socket, 0, 3),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[0])),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AF_INET6, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EAFNOSUPPORT),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    sock_fprog program{static_cast<unsigned short>(std::size(filter)), filter};
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
        ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0)
        ::_exit(99);
}

class HeadlessIpv6 : public ::testing::Test
{
protected:
    void SetUp() override { QUENDAL_SKIP_WITHOUT_IPV6_LOOPBACK(); }

    QTemporaryDir dir;
    quint16 port = test::freeUdpPort();
    QString fireWallFile() const { return dir.filePath(QStringLiteral("FIrWareLog.flg")); }
};

TEST_F(HeadlessIpv6, EveryInterfaceHearsBothLoopbacksWithIpv4SendersAsDottedQuads)
{
    Headless receiver(withPort(port, {QStringLiteral("--log-dir"), dir.path()}), dir.path(), true);
    ASSERT_TRUE(receiver.waitUntilReceiving()) << receiver.errors().constData();
    // The start line reads as it did before IPv6.
    EXPECT_TRUE(receiver.errors().startsWith(
        QStringLiteral("quendal-syslogd: receiving syslog on UDP port %1, log files in")
            .arg(port)
            .toUtf8()))
        << receiver.errors().constData();

    loggerSends(QStringLiteral("::1"), port, QStringLiteral("over six"));
    loggerSends(QStringLiteral("127.0.0.1"), port, QStringLiteral("over four"));

    EXPECT_TRUE(waitUntil([&] { return receiver.output().count('\n') == 2; }))
        << receiver.output().constData();
    const QByteArray output = receiver.output();
    EXPECT_TRUE(output.contains("\t::1\troot: over six\n")) << output.constData();
    EXPECT_TRUE(output.contains("\t127.0.0.1\troot: over four\n")) << output.constData();
    EXPECT_EQ(receiver.stop(), 0);

    const QByteArray file = readFile(fireWallFile());
    EXPECT_TRUE(file.contains("\r\n::1\r\nroot: over six\r\n")) << file.constData();
    EXPECT_TRUE(file.contains("\r\n127.0.0.1\r\nroot: over four\r\n")) << file.constData();
    EXPECT_FALSE(file.contains("ffff")) << file.constData();
}

TEST_F(HeadlessIpv6, ListeningOnIpv4LoopbackDoesNotHearIpv6)
{
    Headless receiver(withPort(port, {QStringLiteral("--listen"), QStringLiteral("127.0.0.1"),
                                      QStringLiteral("--log-dir"), dir.path()}),
                      dir.path());
    ASSERT_TRUE(receiver.waitUntilReceiving()) << receiver.errors().constData();
    EXPECT_TRUE(receiver.errors().contains(
        QStringLiteral("receiving syslog on 127.0.0.1:%1,").arg(port).toUtf8()));

    test::Ipv6LoopbackPeer v6;
    test::LoopbackPeer v4;
    v6.sendTo(port, "<134>not heard");
    v4.sendTo(port, "<134>heard");
    EXPECT_TRUE(waitUntil([&] { return receiver.output().contains("\theard\n"); }));
    EXPECT_EQ(receiver.stop(), 0);
    EXPECT_FALSE(receiver.output().contains("not heard"));
    EXPECT_TRUE(receiver.errors().contains("stopped: 1 messages read"))
        << receiver.errors().constData();
}

TEST_F(HeadlessIpv6, ListeningOnIpv6LoopbackHearsIt)
{
    Headless receiver(withPort(port, {QStringLiteral("--listen"), QStringLiteral("[::1]"),
                                      QStringLiteral("--log-dir"), dir.path()}),
                      dir.path(), true);
    ASSERT_TRUE(receiver.waitUntilReceiving()) << receiver.errors().constData();
    EXPECT_TRUE(receiver.errors().contains(
        QStringLiteral("receiving syslog on [::1]:%1,").arg(port).toUtf8()));

    loggerSends(QStringLiteral("::1"), port, QStringLiteral("only six"));
    EXPECT_TRUE(waitUntil([&] { return receiver.output().contains("\t::1\troot: only six\n"); }))
        << receiver.output().constData();
    EXPECT_EQ(receiver.stop(), 0);
}

TEST_F(HeadlessIpv6, ChoosingTheIpv6SenderKeepsOnlyItsEntries)
{
    Headless receiver(withPort(port, {QStringLiteral("--host"), QStringLiteral("::1"),
                                      QStringLiteral("--log-dir"), dir.path()}),
                      dir.path());
    ASSERT_TRUE(receiver.waitUntilReceiving()) << receiver.errors().constData();
    EXPECT_TRUE(receiver.errors().contains(", only from ::1"));

    loggerSends(QStringLiteral("127.0.0.1"), port, QStringLiteral("from four"));
    loggerSends(QStringLiteral("::1"), port, QStringLiteral("from six"));
    EXPECT_TRUE(waitUntil([&] { return receiver.output().contains("from six"); }));
    EXPECT_EQ(receiver.stop(), 0);
    EXPECT_FALSE(receiver.output().contains("from four"));
    EXPECT_TRUE(receiver.errors().contains("1 from other senders"))
        << receiver.errors().constData();
    EXPECT_FALSE(readFile(fireWallFile()).contains("from four"));
}

TEST_F(HeadlessIpv6, ReplayToAnIpv6TargetInBracketsForwardsByteForByte)
{
    test::Ipv6LoopbackPeer target;
    const QString replay = QStringLiteral("[::1]:%1").arg(target.port());
    Headless receiver(withPort(port, {QStringLiteral("--replay"), replay,
                                      QStringLiteral("--log-dir"), dir.path()}),
                      dir.path());
    ASSERT_TRUE(receiver.waitUntilReceiving()) << receiver.errors().constData();
    EXPECT_TRUE(receiver.errors().contains(", forwarding to " + replay.toUtf8()));

    test::LoopbackPeer router;
    const QByteArray datagram("<134>Mar 14 09:26:53 gw: on to six\0zero", 39);
    router.sendTo(port, datagram);
    ASSERT_TRUE(target.waitForDatagrams(1));
    EXPECT_EQ(target.received().front(), datagram);
    EXPECT_EQ(receiver.stop(), 0);
    EXPECT_TRUE(receiver.errors().contains("1 forwarded")) << receiver.errors().constData();
}

TEST_F(HeadlessIpv6, UnusableAddressesAreRefusedAtStartWithOneLine)
{
    struct Refusal
    {
        QStringList arguments;
        int exitCode;
        QByteArray says;
    };
    const Refusal refusals[] = {
        {{QStringLiteral("--replay"), QStringLiteral("[::]:514")}, 1, "cannot forward to [::]:514"},
        {{QStringLiteral("--replay"), QStringLiteral("[ff02::1]:514")}, 1, "multicast"},
        {{QStringLiteral("--replay"), QStringLiteral("[::1]:0")}, 1, "port 0"},
        {{QStringLiteral("--replay"), QStringLiteral("[fe80::1%nosuch9]:514")}, 1, "nosuch9"},
        {{QStringLiteral("--replay"), QStringLiteral("::1:514")}, 2, "in brackets"},
        {{QStringLiteral("--listen"), QStringLiteral("gateway")},
         1,
         "cannot receive on gateway: not an IPv4 or IPv6 address"},
        {{QStringLiteral("--listen"), QStringLiteral("2001:db8::1")},
         1,
         "cannot receive on [2001:db8::1]:"},
        {{QStringLiteral("--listen"), QStringLiteral("192.0.2.1")},
         1,
         "cannot receive on 192.0.2.1:"},
        {{QStringLiteral("--listen")}, 2, "--listen needs"},
        {{QStringLiteral("--host"), QStringLiteral("::g")}, 2, "--host needs"},
    };
    for (const Refusal& r : refusals) {
        Headless receiver(withPort(port, r.arguments), dir.path(), true);
        const QString shown = r.arguments.join(QLatin1Char(' '));
        EXPECT_EQ(receiver.waitForExit(), r.exitCode) << qPrintable(shown);
        EXPECT_TRUE(receiver.errors().contains(r.says))
            << qPrintable(shown) << ": " << receiver.errors().constData();
        EXPECT_EQ(receiver.errors().count('\n'), 1) << qPrintable(shown);
    }
}

TEST(HeadlessWithoutIpv6, ReceivesIpv4AloneAndRefusesIpv6AtStart)
{
    if (kAuditArch == 0)
        GTEST_SKIP() << "no system call filter for this architecture here";
    QTemporaryDir dir;
    const quint16 port = test::freeUdpPort();
    {
        Headless receiver(withPort(port, {QStringLiteral("--log-dir"), dir.path()}), dir.path(),
                          true, withoutIpv6Sockets);
        ASSERT_TRUE(receiver.waitUntilReceiving()) << receiver.errors().constData();
        test::LoopbackPeer v4;
        v4.sendTo(port, "<134>still heard");
        EXPECT_TRUE(waitUntil([&] {
            return receiver.output().contains("\t127.0.0.1\tstill heard\n");
        })) << receiver.output().constData();
        EXPECT_EQ(receiver.stop(), 0);
    }
    const std::pair<QStringList, QByteArray> refusals[] = {
        {{QStringLiteral("--replay"), QStringLiteral("[::1]:514")},
         "cannot forward to [::1]:514: this system has no IPv6"},
        {{QStringLiteral("--listen"), QStringLiteral("::1")},
         QStringLiteral("cannot receive on [::1]:%1: cannot create a UDP socket")
             .arg(port)
             .toUtf8()},
    };
    for (const auto& [arguments, says] : refusals) {
        Headless receiver(withPort(port, arguments), dir.path(), true, withoutIpv6Sockets);
        EXPECT_EQ(receiver.waitForExit(), 1);
        EXPECT_TRUE(receiver.errors().contains(says)) << receiver.errors().constData();
        EXPECT_EQ(receiver.errors().count('\n'), 1) << receiver.errors().constData();
    }
}

TEST(HeadlessIpv6Options, AddressesOfEitherFamilyAreTakenInTheFormSendersAreShownIn)
{
    QString error;
    const auto options =
        parseHeadlessOptions({QStringLiteral("--listen=[::1]"), QStringLiteral("--replay"),
                              QStringLiteral("[2001:DB8::0:1]:6000"), QStringLiteral("--host"),
                              QStringLiteral("::ffff:192.168.1.1")},
                             &error);
    ASSERT_TRUE(options) << qPrintable(error);
    EXPECT_EQ(options->listen, QStringLiteral("[::1]")); // checked when it is bound
    EXPECT_EQ(options->replayAddress, QStringLiteral("2001:db8::1"));
    EXPECT_EQ(options->replayPort, 6000);
    EXPECT_EQ(options->host, QStringLiteral("192.168.1.1"));

    const auto mapped = parseHeadlessOptions(
        {QStringLiteral("--replay"), QStringLiteral("[::ffff:10.0.0.1]:514")}, &error);
    ASSERT_TRUE(mapped) << qPrintable(error);
    EXPECT_EQ(mapped->replayAddress, QStringLiteral("10.0.0.1"));

    for (const char* bad :
         {"::1:514", "[::1]", "[::1]:", "[::1]x:514", "[::1:514", "::1", "[10.0.0.1:514"}) {
        EXPECT_FALSE(
            parseHeadlessOptions({QStringLiteral("--replay"), QString::fromLatin1(bad)}, &error))
            << bad;
    }
    for (const char* bad : {"::g", "[::1", "fe80::1%"})
        EXPECT_FALSE(
            parseHeadlessOptions({QStringLiteral("--host"), QString::fromLatin1(bad)}, &error))
            << bad;
}

TEST(HeadlessIpv6Options, HelpOfBothProgramsNamesListen)
{
    QTemporaryDir dir;
    for (const bool service : {false, true}) {
        Headless help({QStringLiteral("--help")}, dir.path(), service);
        EXPECT_EQ(help.waitForExit(), 0);
        const QByteArray text = help.output();
        EXPECT_TRUE(text.contains("[--listen ADDRESS]")) << text.constData();
        EXPECT_TRUE(text.contains("[::1]:514")) << text.constData();
    }
}

TEST(ReplayTargetIpv6, NoHostAndGroupsOfHostsAreRefused)
{
    EXPECT_TRUE(replayTargetProblem(QStringLiteral("::1"), 514).isEmpty());
    EXPECT_TRUE(replayTargetProblem(QStringLiteral("fe80::1%eth0"), 514).isEmpty());
    EXPECT_TRUE(replayTargetProblem(QStringLiteral("2001:db8::ff00"), 514).isEmpty());
    EXPECT_FALSE(replayTargetProblem(QStringLiteral("::"), 514).isEmpty());
    EXPECT_FALSE(replayTargetProblem(QStringLiteral("ff02::1"), 514).isEmpty());
    EXPECT_FALSE(replayTargetProblem(QStringLiteral("ff05::101"), 514).isEmpty());
    EXPECT_FALSE(replayTargetProblem(QStringLiteral("::1"), 0).isEmpty());
}

} // namespace
} // namespace quendal
