// The service and its viewers as real processes: quendal-syslogd with a viewer socket, and
// quendal-syslog --follow as terminal followers, on loopback.
#include "app/core/HeadlessProcess.h"
#include "support/TestSupport.h"
#include "viewer/core/ViewerProtocol.h"

#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace quendal {
namespace {

using namespace Qt::StringLiterals;
using test::waitUntil;

// quendal-syslog --follow as its own process.
class Follower
{
public:
    explicit Follower(const QStringList& arguments)
    {
        process_.start(QStringLiteral(QUENDAL_SYSLOG_BINARY),
                       QStringList{u"--follow"_s} + arguments);
    }
    ~Follower()
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished();
        }
    }
    // The messages of the lines printed so far (the last field), in order.
    QList<QByteArray> messages()
    {
        output_ += process_.readAllStandardOutput();
        QList<QByteArray> out;
        for (const QByteArray& line : output_.split('\n'))
            if (!line.isEmpty())
                out.append(line.split('\t').last());
        return out;
    }
    bool waitForMessages(qsizetype count,
                         std::chrono::milliseconds limit = std::chrono::seconds(10))
    {
        return waitUntil([&] { return messages().size() >= count; }, limit);
    }
    QByteArray errors() { return errors_ += process_.readAllStandardError(); }
    qint64 pid() const { return process_.processId(); }
    int waitForExit()
    {
        process_.waitForFinished(5000);
        return process_.exitCode();
    }

private:
    QProcess process_;
    QByteArray output_;
    QByteArray errors_;
};

class ViewerService : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        port_ = test::freeUdpPort();
        socket_ = dir_.filePath(u"viewer.sock"_s);
        service_ = std::make_unique<test::Headless>(QStringList{u"--port"_s, QString::number(port_),
                                                                u"--log-dir"_s, dir_.path(),
                                                                u"--viewer-socket"_s, socket_},
                                                    dir_.path(), true);
        ASSERT_TRUE(service_->waitUntilReceiving()) << service_->errors().constData();
    }
    void send(int facility, const QByteArray& text)
    {
        peer_.sendTo(port_,
                     '<' + QByteArray::number(facility * 8 + 6) + ">Dec  8 10:00:00 " + text);
    }
    QStringList follow(const QStringList& more) const
    {
        return QStringList{u"--viewer-socket"_s, socket_} + more;
    }

    QTemporaryDir dir_;
    quint16 port_ = 0;
    QString socket_;
    std::unique_ptr<test::Headless> service_;
    test::LoopbackPeer peer_;
};

QList<QByteArray> numbered(const char* stem, int from, int to)
{
    QList<QByteArray> out;
    for (int i = from; i <= to; ++i)
        out.append(stem + QByteArray::number(i));
    return out;
}

TEST_F(ViewerService, BackFillThenLiveInOrderForEachViewer)
{
    for (int i = 1; i <= 5; ++i)
        send(16, "fw " + QByteArray::number(i));
    send(17, "vpn 1");
    // Printed by the service is not yet kept for viewers: a first viewer tells.
    Follower probe(follow({u"-n"_s, u"10"_s}));
    ASSERT_TRUE(probe.waitForMessages(6));
    Follower overall(follow({u"-n"_s, u"3"_s}));
    Follower firewall(follow({u"-n"_s, u"10"_s, u"--category"_s, u"firewall"_s}));
    // Back-fill: the newest, oldest of them first; of one category, as many as it holds.
    ASSERT_TRUE(overall.waitForMessages(3)) << overall.errors().constData();
    ASSERT_TRUE(firewall.waitForMessages(5)) << firewall.errors().constData();
    EXPECT_EQ(overall.messages(), (QList<QByteArray>{"fw 4", "fw 5", "vpn 1"}));
    EXPECT_EQ(firewall.messages(), numbered("fw ", 1, 5));

    // Across categories in the order they came, however close together.
    send(16, "fw 6");
    send(17, "vpn 2");
    send(16, "fw 7");
    send(16, "fw 8");
    ASSERT_TRUE(overall.waitForMessages(7));
    ASSERT_TRUE(firewall.waitForMessages(8));
    EXPECT_EQ(overall.messages().mid(3), (QList<QByteArray>{"fw 6", "vpn 2", "fw 7", "fw 8"}));
    EXPECT_EQ(firewall.messages(), numbered("fw ", 1, 8));
}

TEST_F(ViewerService, StoppedViewerIsToldWhatItMissedKilledOneCostsNothing)
{
    send(16, "start");
    ASSERT_TRUE(Follower(follow({u"-n"_s, u"1"_s})).waitForMessages(1));
    Follower live(follow({u"-n"_s, u"1"_s}));
    Follower stopped(follow({u"-n"_s, u"1"_s}));
    Follower killed(follow({u"-n"_s, u"1"_s}));
    ASSERT_TRUE(live.waitForMessages(1) && stopped.waitForMessages(1) && killed.waitForMessages(1));
    ASSERT_TRUE(test::sendSignal(stopped.pid(), SIGSTOP));

    // Far more than the viewer's queue and the socket's buffer hold, in steps the live follower
    // confirms, so that the system drops nothing on the way in.
    constexpr int kSteps = 40;
    constexpr int kPerStep = 200;
    const QByteArray padding(1200, 'p');
    for (int step = 0; step < kSteps; ++step) {
        for (int i = 0; i < kPerStep; ++i)
            send(16, "n " + QByteArray::number(step * kPerStep + i) + ' ' + padding);
        if (step == kSteps / 2) {
            ASSERT_TRUE(test::sendSignal(killed.pid(), SIGKILL));
        }
        ASSERT_TRUE(live.waitForMessages(1 + (step + 1) * kPerStep))
            << "step " << step << ": " << live.messages().size();
    }
    const QList<QByteArray> all = live.messages();
    for (int i = 0; i < kSteps * kPerStep; ++i)
        ASSERT_TRUE(all[1 + i].startsWith("n " + QByteArray::number(i) + ' ')) << i;

    // Woken, it gets what is still queued, is told how many it missed, and goes on from there.
    ASSERT_TRUE(test::sendSignal(stopped.pid(), SIGCONT));
    ASSERT_TRUE(waitUntil([&] { return stopped.errors().contains("missed "); }))
        << stopped.errors().constData();
    send(16, "after");
    ASSERT_TRUE(waitUntil([&] {
        const auto m = stopped.messages();
        return !m.isEmpty() && m.last() == "after";
    }));
    const QByteArray errors = stopped.errors();
    const qsizetype at = errors.indexOf("missed ");
    const qint64 missed = errors.mid(at + 7).split(' ').first().toLongLong();
    EXPECT_GT(missed, 0);
    EXPECT_EQ(stopped.messages().size() - 2 + missed, kSteps * kPerStep);
    EXPECT_TRUE(service_->isRunning());
    EXPECT_EQ(service_->stop(), 0);
    EXPECT_TRUE(service_->errors().contains(QByteArray::number(2 + kSteps * kPerStep) +
                                            " entries written to files"))
        << service_->errors().constData();
}

TEST_F(ViewerService, SocketIsOwnerAndGroupOnlyAndOtherVersionsAreRefused)
{
    struct stat status
    {};
    ASSERT_EQ(::stat(QFile::encodeName(socket_).constData(), &status), 0);
    EXPECT_TRUE(S_ISSOCK(status.st_mode));
    EXPECT_EQ(status.st_mode & 07777, 0660u);

    QLocalSocket socket;
    socket.connectToServer(socket_);
    ASSERT_TRUE(socket.waitForConnected(5000));
    ViewerHello hello;
    hello.version = kViewerProtocolVersion + 1;
    socket.write(encodeViewerHello(hello));
    ViewerFrameReader reader;
    std::optional<QByteArray> frame;
    ASSERT_TRUE(waitUntil([&] {
        reader.append(socket.readAll());
        frame = reader.next();
        return frame.has_value();
    }));
    const auto message = decodeViewerMessage(*frame);
    ASSERT_TRUE(message && std::holds_alternative<ViewerRefusal>(*message));
    EXPECT_TRUE(std::get<ViewerRefusal>(*message).reason.contains(
        QString::number(kViewerProtocolVersion + 1)));
    EXPECT_TRUE(waitUntil([&] { return socket.state() == QLocalSocket::UnconnectedState; }));

    Follower nowhere({u"--viewer-socket"_s, dir_.filePath(u"none.sock"_s)});
    EXPECT_EQ(nowhere.waitForExit(), 1);
    EXPECT_TRUE(nowhere.errors().contains("cannot connect")) << nowhere.errors().constData();
}

} // namespace
} // namespace quendal
