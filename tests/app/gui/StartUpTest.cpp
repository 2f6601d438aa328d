#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace quendal::test;

namespace {

// The real program in a folder of its own, with its own settings and lock.
class Program
{
public:
    Program(const QTemporaryDir& home, const QProcessEnvironment& environment)
    {
        process_.setWorkingDirectory(home.path());
        process_.setProcessEnvironment(environment);
    }
    ~Program()
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }

    // The window's router search goes to the discard port on loopback unless the test aims it.
    void start(QStringList arguments)
    {
        if (!arguments.contains(QStringLiteral("--router-search")))
            arguments << QStringLiteral("--router-search") << QStringLiteral("127.0.0.1:9");
        process_.start(QStringLiteral(QUENDAL_SYSLOG_BINARY), arguments);
        process_.waitForStarted(5000);
    }
    bool running() const { return process_.state() == QProcess::Running; }
    qint64 processId() const { return process_.processId(); }
    // Exit code once ended within the time, else -1.
    int exitCode(int timeoutMs = 10000)
    {
        if (!process_.waitForFinished(timeoutMs))
            return -1;
        return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
    }
    QByteArray standardError() { return process_.readAllStandardError(); }
    QByteArray standardOutput() { return process_.readAllStandardOutput(); }
    QProcess& process() { return process_; }

private:
    QProcess process_;
};

QProcessEnvironment environmentIn(const QTemporaryDir& home, bool withDisplay)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path());
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    if (withDisplay)
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    else
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    return environment;
}

// Whether the process holds the single-instance lock of its runtime folder, as the kernel's lock
// table says. Asked without taking the lock: a probe that took it, even briefly, could make the
// program under test end as a second instance.
bool holdsInstanceLock(const Program& program, const QTemporaryDir& runtimeFolder)
{
    struct stat file
    {};
    const QByteArray path =
        runtimeFolder.filePath(QStringLiteral("QuendalSysLog.lock")).toLocal8Bit();
    if (::stat(path.constData(), &file) != 0)
        return false;
    const QByteArray owner = QByteArray::number(program.processId());
    const QByteArray inode = ':' + QByteArray::number(quint64(file.st_ino));
    for (const QByteArray& line : readFile(QStringLiteral("/proc/locks")).split('\n')) {
        // "1: FLOCK  ADVISORY  WRITE 12345 fe:00:10952914 0 EOF"
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() >= 6 && fields[1] == "FLOCK" && fields[4] == owner &&
            fields[5].endsWith(inode))
            return true;
    }
    return false;
}

} // namespace

TEST(StartUp, ASecondInstanceEndsWithOneAndLeavesTheFirstAlone)
{
    QTemporaryDir home;
    const QProcessEnvironment environment = environmentIn(home, true);
    Program first(home, environment);
    first.start({QStringLiteral("-d")});
    ASSERT_TRUE(first.running());
    // The first instance has replaced the debug log (its window opens it before it answers a
    // second start on its activation socket); mark it to see whether it is touched.
    const QString debugLog = home.filePath(QStringLiteral("QuenDalSysLog.log"));
    ASSERT_TRUE(waitUntil(
        [&] {
            return QFile::exists(debugLog) &&
                   QFile::exists(home.filePath(QStringLiteral("QuendalSysLog.socket")));
        },
        std::chrono::seconds(10)));
    {
        QFile log(debugLog);
        ASSERT_TRUE(log.open(QIODevice::Append));
        log.write("first instance\n");
    }

    Program second(home, environment);
    second.start({QStringLiteral("-d")});
    EXPECT_EQ(second.exitCode(), 1);
    EXPECT_TRUE(second.standardOutput().isEmpty());

    EXPECT_TRUE(first.running());
    EXPECT_EQ(readFile(debugLog), QByteArray("first instance\n"));
}

TEST(StartUp, TheLockGoesWithAKilledInstance)
{
    QTemporaryDir home;
    const QProcessEnvironment environment = environmentIn(home, true);
    {
        Program first(home, environment);
        first.start({});
        ASSERT_TRUE(first.running());
        ASSERT_TRUE(
            waitUntil([&] { return holdsInstanceLock(first, home); }, std::chrono::seconds(10)));
        first.process().kill();
        ASSERT_TRUE(first.process().waitForFinished(5000));
    }
    Program next(home, environment);
    next.start({});
    // Not ended as a second instance: it took the lock the killed one held, and runs on.
    EXPECT_TRUE(waitUntil([&] { return holdsInstanceLock(next, home) || !next.running(); },
                          std::chrono::seconds(10)));
    EXPECT_TRUE(holdsInstanceLock(next, home));
    EXPECT_TRUE(next.running());
}

TEST(StartUp, WithoutADisplayTheReceiverRunsWithoutAWindowAndSaysSo)
{
    QTemporaryDir home;
    Program program(home, environmentIn(home, false));
    const quint16 port = freeUdpPort();
    program.start({QStringLiteral("--port"), QString::number(port), QStringLiteral("--log-dir"),
                   home.path()});
    QByteArray errors;
    ASSERT_TRUE(waitUntil(
        [&] {
            errors += program.standardError();
            return errors.contains("receiving syslog");
        },
        std::chrono::seconds(10)))
        << errors.constData();
    EXPECT_TRUE(errors.contains("no display")) << errors.constData();

    LoopbackPeer router;
    router.sendTo(port, "<131>Mar 14 09:26:53 gw: hello");
    QByteArray output;
    EXPECT_TRUE(waitUntil([&] {
        output += program.standardOutput();
        return output.contains("hello");
    }));
}

TEST(StartUp, TheWindowSearchesForRoutersWhereTheCommandLineSays)
{
    QTemporaryDir home;
    LoopbackPeer responder;
    Program program(home, environmentIn(home, true));
    program.start(
        {QStringLiteral("--router-search"), QStringLiteral("127.0.0.1:%1").arg(responder.port())});
    ASSERT_TRUE(program.running());
    ASSERT_TRUE(responder.waitForDatagrams(1, std::chrono::seconds(10)));
    const QByteArray request = responder.received().front();
    EXPECT_EQ(request.size(), 54);
    EXPECT_TRUE(request.startsWith(QByteArray::fromHex("DD800036") + "QUENDAL"));
}

TEST(StartUp, AMalformedRouterSearchTargetEndsTheProgramWithTwo)
{
    QTemporaryDir home;
    Program program(home, environmentIn(home, true));
    program.start({QStringLiteral("--router-search"), QStringLiteral("not-an-address")});
    EXPECT_EQ(program.exitCode(), 2);
    EXPECT_TRUE(program.standardError().contains("--router-search"));
}
