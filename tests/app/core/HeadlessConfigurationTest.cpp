// The service binary with a configuration file: checked with --check-config, refused at start
// when wrong, and read again on SIGHUP (applied, or refused with the running configuration kept).
#include "app/core/HeadlessProcess.h"
#include "common/core/UdpSocket.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <csignal>
#include <gtest/gtest.h>

namespace quendal {
namespace {

using namespace Qt::StringLiterals;
using test::Headless;
using test::readFile;
using test::waitUntil;

void writeFile(const QString& path, const QByteArray& text)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

class HeadlessConfiguration : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDir(dir.path()).mkdir(u"first"_s));
        ASSERT_TRUE(QDir(dir.path()).mkdir(u"second"_s));
    }
    QByteArray portLine(quint16 port) { return "port = " + QByteArray::number(port) + '\n'; }
    QByteArray folderLine(const char* name)
    {
        return "log-dir = " + dir.filePath(QLatin1StringView(name)).toUtf8() + '\n';
    }
    QTemporaryDir dir;
    const QString config = dir.filePath(u"quendal-syslogd.conf"_s);
};

TEST_F(HeadlessConfiguration, CheckedWithoutBindingAndRefusedAtStartByFileLineAndKey)
{
    // The port is taken: a check that bound it would fail.
    UdpSocket taken;
    ASSERT_TRUE(taken.open(0, htonl(INADDR_LOOPBACK)));
    writeFile(config, "# ours\n" + portLine(taken.localPort()) + folderLine("first") +
                          "allow = 127.0.0.0/8, ::1\nrate-limit = 100\n");
    {
        Headless check({u"--config"_s, config, u"--check-config"_s}, dir.path(), true);
        EXPECT_EQ(check.waitForExit(), 0) << check.errors().constData();
        EXPECT_TRUE(check.output().contains("configuration ok")) << check.output().constData();
    }

    writeFile(config, portLine(5514) + "rate-limit = fast\nlisten = ::1\nverbose = yes\n");
    const QByteArray where = config.toUtf8();
    for (const bool checkOnly : {true, false}) {
        QStringList arguments{u"--config"_s, config};
        if (checkOnly)
            arguments << u"--check-config"_s;
        Headless receiver(arguments, dir.path(), true);
        EXPECT_EQ(receiver.waitForExit(), 2);
        const QByteArray errors = receiver.errors();
        EXPECT_TRUE(errors.contains(where + ":2: rate-limit needs")) << errors.constData();
        EXPECT_TRUE(errors.contains(where + ":4: unknown key 'verbose'")) << errors.constData();
        EXPECT_EQ(errors.count('\n'), 2) << errors.constData();
        EXPECT_FALSE(errors.contains("receiving syslog"));
    }

    // What start would refuse before binding fails the check too.
    for (const auto& [line, says] :
         {std::pair{folderLine("missing"), QByteArray("does not exist")},
          std::pair{QByteArray("listen = fe80::1%nosuch9\n"), QByteArray("nosuch9")},
          std::pair{QByteArray("replay = 239.255.255.250:1900\n"), QByteArray("multicast")}}) {
        writeFile(config, line);
        Headless check({u"--config"_s, config, u"--check-config"_s}, dir.path(), true);
        EXPECT_EQ(check.waitForExit(), 2) << line.constData();
        EXPECT_TRUE(check.errors().contains(says)) << check.errors().constData();
    }

    Headless missing({u"--config"_s, dir.filePath(u"none.conf"_s)}, dir.path(), true);
    EXPECT_EQ(missing.waitForExit(), 2);
    EXPECT_TRUE(missing.errors().contains("cannot read ")) << missing.errors().constData();
}

TEST_F(HeadlessConfiguration, SighupAppliesAGoodFileBetweenDatagramsAndRebindsANewPort)
{
    // With debug on, every datagram read is echoed: the test sees when one has been taken in.
    const quint16 port = test::freeUdpPort();
    writeFile(config, portLine(port) + folderLine("first") + "debug = yes\n");
    Headless receiver({u"--config"_s, config}, dir.path(), true);
    ASSERT_TRUE(receiver.waitUntilReceiving()) << receiver.errors().constData();
    const QString firstFile = dir.filePath(u"first/FIrWareLog.flg"_s);
    const QString secondFile = dir.filePath(u"second/FIrWareLog.flg"_s);

    test::LoopbackPeer router;
    router.sendTo(port, "<134>Mar 14 09:26:53 gw: before");
    ASSERT_TRUE(waitUntil([&] { return readFile(firstFile).contains("before"); }));

    // A new folder: the next datagram goes there.
    writeFile(config, portLine(port) + folderLine("second") + "debug = yes\n");
    test::sendSignal(receiver.pid(), SIGHUP);
    ASSERT_TRUE(waitUntil([&] { return receiver.errors().contains("configuration reloaded"); }))
        << receiver.errors().constData();
    router.sendTo(port, "<134>Mar 14 09:26:54 gw: after");
    EXPECT_TRUE(waitUntil([&] { return readFile(secondFile).contains("after"); }));
    EXPECT_FALSE(readFile(firstFile).contains("after"));

    // Another sender than us: ours are dropped from the next datagram on.
    writeFile(config, portLine(port) + folderLine("second") + "debug = yes\nhost = 192.0.2.1\n");
    test::sendSignal(receiver.pid(), SIGHUP);
    ASSERT_TRUE(waitUntil([&] { return receiver.errors().count("configuration reloaded") == 2; }));
    router.sendTo(port, "<134>Mar 14 09:26:55 gw: filtered");
    router.sendTo(port, "<134>Mar 14 09:26:55 gw: filtered too");
    ASSERT_TRUE(waitUntil([&] { return receiver.output().contains("filtered too"); }));

    // A new port: received there, with the counts so far printed before the rebind.
    const quint16 newPort = test::freeUdpPort();
    writeFile(config, portLine(newPort) + folderLine("second") + "debug = yes\n");
    test::sendSignal(receiver.pid(), SIGHUP);
    ASSERT_TRUE(waitUntil([&] {
        return receiver.errors().contains("receiving syslog on UDP port " +
                                          QByteArray::number(newPort));
    })) << receiver.errors().constData();
    EXPECT_TRUE(receiver.errors().contains("2 from other senders"))
        << receiver.errors().constData();
    router.sendTo(newPort, "<134>Mar 14 09:26:56 gw: moved");
    EXPECT_TRUE(waitUntil([&] { return readFile(secondFile).contains("moved"); }));
    EXPECT_FALSE(readFile(secondFile).contains("filtered"));
    EXPECT_EQ(receiver.stop(), 0);
}

TEST_F(HeadlessConfiguration, SighupWithAWrongFileIsReportedOnceAndTheRunningOneStays)
{
    const quint16 port = test::freeUdpPort();
    writeFile(config, portLine(port) + folderLine("first"));
    Headless receiver({u"--config"_s, config}, dir.path(), true);
    ASSERT_TRUE(receiver.waitUntilReceiving()) << receiver.errors().constData();

    writeFile(config, portLine(port) + folderLine("second") + "allow = 10.0.0.0/33\n");
    test::sendSignal(receiver.pid(), SIGHUP);
    ASSERT_TRUE(waitUntil([&] { return receiver.errors().contains("reload refused"); }));
    const QByteArray errors = receiver.errors();
    EXPECT_TRUE(errors.contains(config.toUtf8() + ":3: allow needs")) << errors.constData();

    // A port taken by another program is refused as well, and the old one goes on.
    UdpSocket taken;
    ASSERT_TRUE(taken.open(0, htonl(INADDR_ANY)));
    writeFile(config, portLine(taken.localPort()) + folderLine("second"));
    test::sendSignal(receiver.pid(), SIGHUP);
    ASSERT_TRUE(waitUntil([&] { return receiver.errors().count("reload refused") == 2; }))
        << receiver.errors().constData();
    EXPECT_TRUE(receiver.errors().contains("cannot receive on UDP port " +
                                           QByteArray::number(taken.localPort())))
        << receiver.errors().constData();

    test::LoopbackPeer router;
    router.sendTo(port, "<134>Mar 14 09:26:53 gw: still here");
    EXPECT_TRUE(waitUntil(
        [&] { return readFile(dir.filePath(u"first/FIrWareLog.flg"_s)).contains("still here"); }));
    EXPECT_TRUE(receiver.isRunning());
    EXPECT_EQ(receiver.stop(), 0);
    EXPECT_EQ(receiver.errors().count("reload refused"), 2);
    EXPECT_FALSE(receiver.errors().contains("configuration reloaded"));
}

} // namespace
} // namespace quendal
