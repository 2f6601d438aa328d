// The receiver without a window as a service: real processes on loopback, real pipes as readers
// of standard output, both binaries (quendal-syslogd and quendal-syslog --headless).
#include "app/core/HeadlessProcess.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUdpSocket>

#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace quendal {
namespace {

using test::readFile;
using test::waitUntil;

// The service binary, or the window's binary with --headless.
QStringList commandOf(bool service, QString* program)
{
    *program =
        service ? QStringLiteral(QUENDAL_SYSLOGD_BINARY) : QStringLiteral(QUENDAL_SYSLOG_BINARY);
    return service ? QStringList{} : QStringList{QStringLiteral("--headless")};
}

// A receiver process, the service binary unless asked otherwise. Its standard output is read by
// the test, or goes to `stdoutDescriptor` (the write end of a pipe the test holds) when one is
// given.
class Receiver : public test::Headless
{
public:
    Receiver(const QStringList& arguments, const QString& workingDirectory, bool service = true,
             int stdoutDescriptor = -1)
        : Headless(
              arguments, workingDirectory, service,
              stdoutDescriptor < 0 ? std::function<void()>() : [stdoutDescriptor] {
                  ::dup2(stdoutDescriptor, STDOUT_FILENO);
              })
    {}
};

// A pipe whose write end becomes a receiver's standard output; the test decides whether the read
// end is read, left alone, or closed.
struct Pipe
{
    int read = -1;
    int write = -1;
    Pipe()
    {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) == 0) {
            read = fds[0];
            write = fds[1];
        }
    }
    ~Pipe()
    {
        closeRead();
        closeWrite();
    }
    void closeRead()
    {
        if (read >= 0)
            ::close(read);
        read = -1;
    }
    void closeWrite()
    {
        if (write >= 0)
            ::close(write);
        write = -1;
    }
};

// The numbers of the stop summary by name ("entries stored" -> 3); missing names are absent.
std::map<QString, quint64> summaryNumbers(const QByteArray& errors)
{
    std::map<QString, quint64> numbers;
    const qsizetype at = errors.indexOf("stopped:");
    if (at < 0)
        return numbers;
    const QString line = QString::fromUtf8(errors.mid(at, errors.indexOf('\n', at) - at)).mid(8);
    static const QRegularExpression term(QStringLiteral("(\\d+) ([a-z][a-z ]*[a-z])"));
    for (auto it = term.globalMatch(line); it.hasNext();) {
        const auto m = it.next();
        numbers[m.captured(2)] = m.captured(1).toULongLong();
    }
    return numbers;
}

QByteArray fileEntry(int i)
{
    return "Mar 14 09:26:53\r\ngw\r\nentry " + QByteArray::number(i) + ' ' + QByteArray(200, 'x') +
           "\r\n";
}

TEST(HeadlessService, StalledReaderOfStandardOutputNeverHoldsUpFilesOrStop)
{
    QTemporaryDir dir;
    Pipe pipe; // nobody reads it
    ASSERT_GE(pipe.read, 0);
    const quint16 port = test::freeUdpPort();
    Receiver receiver({QStringLiteral("--port"), QString::number(port), QStringLiteral("--log-dir"),
                       dir.path(), QStringLiteral("-d")},
                      dir.path(), true, pipe.write);
    pipe.closeWrite();
    ASSERT_TRUE(receiver.waitUntilReceiving()) << receiver.errors().constData();

    // 20,000 entries of some 250 bytes, each echoed too: far more than the pipe and the output
    // queue hold. Sent in rounds that wait for the file, so the kernel's buffer never overflows.
    constexpr int kCount = 20000;
    constexpr int kRound = 500;
    test::LoopbackPeer router;
    const QString file = dir.filePath(QStringLiteral("FIrWareLog.flg"));
    qint64 expectedSize = 0;
    for (int i = 0; i < kCount; i += kRound) {
        for (int j = i; j < i + kRound; ++j) {
            router.sendTo(port, "<134>Mar 14 09:26:53 gw: entry " + QByteArray::number(j) + ' ' +
                                    QByteArray(200, 'x'));
            expectedSize += fileEntry(j).size();
        }
        ASSERT_TRUE(waitUntil([&] { return QFileInfo(file).size() >= expectedSize; },
                              std::chrono::seconds(20)))
            << "stuck after " << i << " entries, file has " << QFileInfo(file).size();
    }
    const QByteArray contents = readFile(file);
    EXPECT_EQ(contents.size(), expectedSize);
    EXPECT_TRUE(contents.startsWith(fileEntry(0)));
    EXPECT_TRUE(contents.endsWith(fileEntry(kCount - 1)));
    EXPECT_EQ(receiver.errors().count("not being read fast enough"), 1);

    QElapsedTimer stopTime;
    stopTime.start();
    EXPECT_EQ(receiver.stop(SIGTERM), 0);
    // Typically well under a second; the limit allows for a loaded test machine.
    EXPECT_LT(stopTime.elapsed(), 3000);
    const auto numbers = summaryNumbers(receiver.errors());
    EXPECT_EQ(numbers.at(QStringLiteral("entries written to files")), quint64(kCount));
    EXPECT_GT(numbers.at(QStringLiteral("lines dropped for a slow reader")), 0u);
    const quint64 dropped = numbers.at(QStringLiteral("lines dropped for a slow reader"));
    EXPECT_LT(dropped, 2u * kCount);

    // What reached the pipe is whole lines, and exactly those that were not counted as dropped.
    ::fcntl(pipe.read, F_SETFL, O_NONBLOCK);
    QByteArray printed;
    char buffer[65536];
    for (ssize_t n; (n = ::read(pipe.read, buffer, sizeof buffer)) > 0;)
        printed.append(buffer, n);
    ASSERT_FALSE(printed.isEmpty());
    EXPECT_TRUE(printed.endsWith('\n'));
    EXPECT_EQ(quint64(printed.count('\n')) + dropped, 2u * kCount);
    EXPECT_TRUE(printed.startsWith("<134>Mar 14 09:26:53 gw: entry 0 "));
}

TEST(HeadlessService, ReaderThatGoesAwayStopsPrintingOnlyWithOneLine)
{
    for (const bool service : {true, false}) {
        QTemporaryDir dir;
        Pipe pipe;
        const quint16 port = test::freeUdpPort();
        Receiver receiver({QStringLiteral("--port"), QString::number(port),
                           QStringLiteral("--log-dir"), dir.path()},
                          dir.path(), service, pipe.write);
        pipe.closeWrite();
        ASSERT_TRUE(receiver.waitUntilReceiving()) << receiver.errors().constData();

        // Like `| head -1`: the reader takes the first line and exits.
        test::LoopbackPeer router;
        router.sendTo(port, "<134>Mar 14 09:26:53 gw: first");
        char first[64] = {};
        ASSERT_GT(::read(pipe.read, first, sizeof first - 1), 0);
        EXPECT_STREQ(first, "FireWall\tMar 14 09:26:53\tgw\tfirst\n");
        pipe.closeRead();

        for (int i = 0; i < 50; ++i)
            router.sendTo(port, "<134>Mar 14 09:26:54 gw: after " + QByteArray::number(i));
        const QString file = dir.filePath(QStringLiteral("FIrWareLog.flg"));
        EXPECT_TRUE(waitUntil([&] { return readFile(file).count("after") == 50; }));
        EXPECT_TRUE(waitUntil([&] { return receiver.errors().contains("closed by its reader"); }));
        EXPECT_TRUE(receiver.isRunning());
        EXPECT_EQ(receiver.stop(SIGINT), 0) << "service " << service;
        EXPECT_EQ(receiver.errors().count("closed by its reader"), 1);
        EXPECT_EQ(summaryNumbers(receiver.errors()).at(QStringLiteral("entries written to files")),
                  51u);
    }
}

TEST(HeadlessService, EchoEscapesTerminalControlAndKeepsOneLinePerDatagram)
{
    for (const bool service : {true, false}) {
        QTemporaryDir dir;
        const quint16 port = test::freeUdpPort();
        Receiver receiver({QStringLiteral("--port"), QString::number(port), QStringLiteral("-d")},
                          dir.path(), service);
        ASSERT_TRUE(receiver.waitUntilReceiving()) << receiver.errors().constData();
        test::LoopbackPeer router;
        router.sendTo(port, "<1>\x1b]0;owned\x07\x1b[31mred\nFireWall\tforged\\");
        const QByteArray echo = "<1>\\x1b]0;owned\\x07\\x1b[31mred\\nFireWall\\tforged\\\\\n";
        EXPECT_TRUE(waitUntil([&] { return receiver.output().contains(echo); }))
            << receiver.output().constData();
        EXPECT_EQ(receiver.stop(), 0);
        EXPECT_FALSE(receiver.output().contains('\x1b'));
        EXPECT_EQ(receiver.output().count('\n'), 1) << receiver.output().constData();
        // The debug log keeps the bytes as they came, in CR LF lines.
        EXPECT_EQ(readFile(dir.filePath(QStringLiteral("QuenDalSysLog.log"))),
                  "<1>\x1b]0;owned\x07\x1b[31mred\r\nFireWall\tforged\\\r\n");
    }
}

TEST(HeadlessService, RefusesUnusableReplayTargetsAndNamesAMissingFolder)
{
    QTemporaryDir dir;
    for (const bool service : {true, false}) {
        for (const char* target : {"127.0.0.1:0", "0.0.0.0:514", "255.255.255.255:514"}) {
            Receiver receiver({QStringLiteral("--port"), QString::number(test::freeUdpPort()),
                               QStringLiteral("--replay"), QString::fromLatin1(target)},
                              dir.path(), service);
            EXPECT_EQ(receiver.waitForExit(), 1) << target;
            EXPECT_EQ(receiver.errors().count('\n'), 1) << receiver.errors().constData();
            EXPECT_TRUE(receiver.errors().contains(QByteArray("cannot forward to ") + target))
                << receiver.errors().constData();
        }
    }

    const QString missing = dir.filePath(QStringLiteral("missing"));
    Receiver noFolder({QStringLiteral("--log-dir"), missing}, dir.path());
    EXPECT_EQ(noFolder.waitForExit(), 1);
    EXPECT_EQ(noFolder.errors(),
              "quendal-syslogd: log folder " + missing.toUtf8() + " does not exist\n");

    const QString plainFile = dir.filePath(QStringLiteral("plain"));
    ASSERT_TRUE(QFile(plainFile).open(QIODevice::WriteOnly));
    Receiver notFolder({QStringLiteral("--log-dir"), plainFile}, dir.path());
    EXPECT_EQ(notFolder.waitForExit(), 1);
    EXPECT_TRUE(notFolder.errors().contains(plainFile.toUtf8() + " is not a folder"));
}

TEST(HeadlessService, VersionOfBothBinaries)
{
    for (const bool service : {true, false}) {
        QString program;
        commandOf(service, &program);
        QProcess process;
        process.start(program, {QStringLiteral("--version")});
        ASSERT_TRUE(process.waitForFinished(5000));
        EXPECT_EQ(process.exitCode(), 0);
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^quendal-syslogd? \\d+\\.\\d+.*\\n$"))
                        .match(QString::fromUtf8(process.readAllStandardOutput()))
                        .hasMatch());
    }
}

TEST(HeadlessService, SummaryOfAMixedRunAddsUp)
{
    QTemporaryDir dir;
    const quint16 port = test::freeUdpPort();
    // Replay aimed at the receiver itself: its own forwards come back and are counted apart.
    Receiver receiver({QStringLiteral("--port"), QString::number(port), QStringLiteral("--host"),
                       QStringLiteral("127.0.0.2"), QStringLiteral("--replay"),
                       QStringLiteral("127.0.0.1:%1").arg(port)},
                      dir.path());
    ASSERT_TRUE(receiver.waitUntilReceiving()) << receiver.errors().constData();

    test::LoopbackPeer chosen(QHostAddress(QStringLiteral("127.0.0.2")));
    test::LoopbackPeer other;
    for (int i = 0; i < 3; ++i)
        chosen.sendTo(port, "<134>Mar 14 09:26:53 gw: stored " + QByteArray::number(i));
    chosen.sendTo(port, "<173>Mar 14 09:26:53 gw: Tx=1");
    chosen.sendTo(port, "<173>Mar 14 09:26:53 gw: Tx=2");
    chosen.sendTo(port, "<14>Mar 14 09:26:53 gw: user facility");
    chosen.sendTo(port, "<0>Mar 14 09:26:53 gw: kernel facility");
    chosen.sendTo(port, "hello");
    other.sendTo(port, "<134>Mar 14 09:26:53 other: not chosen");
    other.sendTo(port, "<134>Mar 14 09:26:53 other: not chosen either");

    // 10 sent; the 7 accepted with a priority are forwarded and come back.
    const QString file = dir.filePath(QStringLiteral("FIrWareLog.flg"));
    EXPECT_TRUE(waitUntil([&] { return readFile(file).count("stored") == 3; }));
    test::settle(std::chrono::milliseconds(300));
    EXPECT_EQ(receiver.stop(), 0);

    const auto n = summaryNumbers(receiver.errors());
    ASSERT_FALSE(n.empty()) << receiver.errors().constData();
    EXPECT_EQ(n.at(QStringLiteral("messages read")), 17u);
    EXPECT_EQ(n.at(QStringLiteral("entries stored")), 3u);
    EXPECT_EQ(n.at(QStringLiteral("status reports")), 2u);
    EXPECT_EQ(n.at(QStringLiteral("of other facilities")), 2u);
    EXPECT_EQ(n.at(QStringLiteral("from other senders")), 2u);
    EXPECT_EQ(n.at(QStringLiteral("without a priority")), 1u);
    EXPECT_EQ(n.at(QStringLiteral("own forwards")), 7u);
    EXPECT_EQ(n.at(QStringLiteral("messages read")),
              n.at(QStringLiteral("entries stored")) + n.at(QStringLiteral("status reports")) +
                  n.at(QStringLiteral("of other facilities")) +
                  n.at(QStringLiteral("from other senders")) +
                  n.at(QStringLiteral("without a priority")) +
                  n.at(QStringLiteral("own forwards")));
    EXPECT_EQ(n.at(QStringLiteral("entries written to files")), 3u);
    EXPECT_EQ(n.at(QStringLiteral("forwarded")), 7u);
    EXPECT_EQ(n.at(QStringLiteral("forwards failed")), 0u);
    EXPECT_EQ(n.at(QStringLiteral("lines dropped for a slow reader")), 0u);
}

TEST(HeadlessService, ClosedStandardOutputAtStartIsNotReused)
{
    QTemporaryDir dir;
    const quint16 port = test::freeUdpPort();
    QProcess shell;
    // exec keeps the process id: the receiver itself starts with descriptor 1 closed.
    shell.start(QStringLiteral("/bin/sh"),
                {QStringLiteral("-c"), QStringLiteral("exec \"$0\" \"$@\" >&-"),
                 QStringLiteral(QUENDAL_SYSLOGD_BINARY), QStringLiteral("--port"),
                 QString::number(port), QStringLiteral("--log-dir"), dir.path()});
    QByteArray errors;
    ASSERT_TRUE(waitUntil([&] {
        errors += shell.readAllStandardError();
        return errors.contains("receiving syslog");
    })) << errors.constData();
    EXPECT_EQ(QFile::symLinkTarget(QStringLiteral("/proc/%1/fd/1").arg(shell.processId())),
              QStringLiteral("/dev/null"));

    test::LoopbackPeer router;
    router.sendTo(port, "<134>Mar 14 09:26:53 gw: with stdout closed");
    EXPECT_TRUE(waitUntil([&] {
        return readFile(dir.filePath(QStringLiteral("FIrWareLog.flg"))).contains("stdout closed");
    }));
    test::sendSignal(shell.processId(), SIGTERM);
    ASSERT_TRUE(shell.waitForFinished(5000));
    EXPECT_EQ(shell.exitCode(), 0);
    errors += shell.readAllStandardError();
    EXPECT_FALSE(errors.contains("standard output")) << errors.constData();
    EXPECT_EQ(summaryNumbers(errors).at(QStringLiteral("entries written to files")), 1u);
}

TEST(HeadlessService, ServiceBinaryLoadsNoDisplayLibrary)
{
    QProcess ldd;
    ldd.start(QStringLiteral("ldd"), {QStringLiteral(QUENDAL_SYSLOGD_BINARY)});
    if (!ldd.waitForStarted(5000))
        GTEST_SKIP() << "ldd is not installed";
    ASSERT_TRUE(ldd.waitForFinished(10000));
    const QString libraries = QString::fromUtf8(ldd.readAllStandardOutput());
    ASSERT_TRUE(libraries.contains(QLatin1StringView("libQt6Network"))) << qPrintable(libraries);
    static const QRegularExpression display(QStringLiteral(
        "libQt6(Gui|Widgets|Svg|Charts|DBus|XcbQpa)|libX|libxcb|libGL|libEGL|libOpenGL|"
        "libfontconfig|libfreetype|libdbus"));
    const auto found = display.match(libraries);
    EXPECT_FALSE(found.hasMatch()) << qPrintable(found.captured(0)) << " in\n"
                                   << qPrintable(libraries);
}

TEST(HeadlessService, SystemdAcceptsTheUnit)
{
    QProcess verify;
    // Without the manual page check: the page is installed with the package, not in the build.
    verify.start(QStringLiteral("systemd-analyze"),
                 {QStringLiteral("verify"), QStringLiteral("--man=no"),
                  QStringLiteral(QUENDAL_BUILD_UNIT_FILE)});
    if (!verify.waitForStarted(5000))
        GTEST_SKIP() << "systemd-analyze is not installed (package systemd)";
    ASSERT_TRUE(verify.waitForFinished(30000));
    const QByteArray complaints = verify.readAllStandardError() + verify.readAllStandardOutput();
    EXPECT_EQ(verify.exitCode(), 0) << complaints.constData();
    // It only warns, with exit code 0, about a setting it does not understand.
    EXPECT_EQ(complaints, "") << complaints.constData();
}

} // namespace
} // namespace quendal
