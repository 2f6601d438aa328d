// The window attached to a running receiver without a window (a real process), on the
// offscreen platform: it shows the service's rows, follows it away and back, and the service
// goes on when the window is gone.
#include "app/core/SettingsStore.h"
#include "app/gui/AttachOffer.h"
#include "app/gui/CSysLogDlg.h"
#include "app/gui/FakeTrayIcon.h"
#include "app/gui/MainActions.h"
#include "logs/core/LogList.h"
#include "support/TestSupport.h"
#include "viewer/core/ViewerClient.h"
#include "viewer/core/ViewerServer.h"

#include <QAction>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <gtest/gtest.h>

namespace quendal {
namespace {

using namespace Qt::StringLiterals;

class Service
{
public:
    Service(quint16 port, const QString& folder, const QString& socket)
    {
        process_.start(QStringLiteral(QUENDAL_SYSLOG_BINARY),
                       {u"--headless"_s, u"--port"_s, QString::number(port), u"--log-dir"_s, folder,
                        u"--viewer-socket"_s, socket});
    }
    ~Service()
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished();
        }
    }
    bool waitUntilReceiving()
    {
        return QTest::qWaitFor([&] {
                   errors_ += process_.readAllStandardError();
                   return errors_.contains("receiving syslog") ||
                          process_.state() == QProcess::NotRunning;
               }) &&
               errors_.contains("receiving syslog");
    }
    QByteArray output() { return output_ += process_.readAllStandardOutput(); }
    int stop()
    {
        test::sendSignal(process_.processId(), SIGTERM);
        process_.waitForFinished(5000);
        return process_.exitCode();
    }
    bool isRunning() const { return process_.state() == QProcess::Running; }

private:
    QProcess process_;
    QByteArray errors_;
    QByteArray output_;
};

QByteArray newestMessage(const CSysLogDlg& window)
{
    const LogRows& rows = window.list(LogCategory::FireWall)->rows();
    return rows.isEmpty() ? QByteArray() : rows.at(0).message.toByteArray();
}

TEST(AttachedWindow, ShowsTheServiceFollowsItAwayAndBackAndLeavesItRunning)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const quint16 port = test::freeUdpPort();
    const QString socket = dir.filePath(u"viewer.sock"_s);
    auto service = std::make_unique<Service>(port, dir.path(), socket);
    ASSERT_TRUE(service->waitUntilReceiving());
    test::LoopbackPeer router;
    const auto send = [&](const QByteArray& text) {
        router.sendTo(port, "<134>Dec  8 10:00:00 " + text);
    };
    for (int i = 1; i <= 3; ++i)
        send("before " + QByteArray::number(i));

    SettingsStore store(dir.filePath(u"settings.ini"_s));
    test::FakeTrayIcon tray;
    MainWindowOptions options;
    options.store = &store;
    options.trayIcon = &tray;
    auto window = std::make_unique<CSysLogDlg>(options);
    window->attachTo(socket);
    LogList* firewall = window->list(LogCategory::FireWall);
    ASSERT_TRUE(QTest::qWaitFor([&] { return firewall->rows().size() == 3; }));
    EXPECT_EQ(newestMessage(*window), "before 3");
    const QString attached = u"Attached to quendal-syslog (port "_s + QString::number(port) + u')';
    EXPECT_EQ(window->stateText(), attached);
    EXPECT_TRUE(window->windowTitle().contains(attached));
    EXPECT_EQ(window->actions()->start()->text(), u"Attach"_s);
    EXPECT_EQ(window->actions()->stop()->text(), u"Detach"_s);
    EXPECT_TRUE(window->actions()->stop()->isEnabled());

    send("live");
    ASSERT_TRUE(QTest::qWaitFor([&] { return newestMessage(*window) == "live"; }));

    // Away and back: said, then attached again with the service's own rows.
    EXPECT_EQ(service->stop(), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->stateText().contains(u"went away"_s); }));
    EXPECT_FALSE(window->actions()->stop()->isEnabled());
    service = std::make_unique<Service>(port, dir.path(), socket);
    ASSERT_TRUE(service->waitUntilReceiving());
    send("second run");
    ASSERT_TRUE(QTest::qWaitFor([&] { return newestMessage(*window) == "second run"; }, 10000));
    EXPECT_EQ(window->stateText(), attached);
    EXPECT_EQ(firewall->rows().size(), 1);

    // The window gone, the service goes on receiving and writing.
    window.reset();
    send("after the window");
    EXPECT_TRUE(QTest::qWaitFor([&] { return service->output().contains("after the window"); }));
    EXPECT_TRUE(service->isRunning());
}

// A back-fill too deep for one frame fills the lists whole and in order, on the first attach and
// again after coming back (replacing the rows, not adding to them).
TEST(AttachedWindow, DeepBackFillFillsTheListsWholeEachTime)
{
    QTemporaryDir dir;
    ViewerLimits limits;
    limits.entriesPerCategory = 12'000;
    ViewerServer server({kViewerProtocolVersion, u"quendal-syslogd"_s, 514}, Clock::system(),
                        limits);
    QString error;
    ASSERT_TRUE(server.listen(dir.filePath(u"v.sock"_s), &error)) << error.toStdString();
    int stored = 0;
    const auto store = [&](int count) {
        for (const int end = stored + count; stored < end; ++stored) {
            ReceptionBatch batch;
            const LogCategory c = stored % 2 ? LogCategory::Wan : LogCategory::FireWall;
            const QByteArray message = "entry " + QByteArray::number(stored);
            batch.rows[size_t(categoryIndex(c))].prepend(
                {"Dec  8 10:00:00", "gw", message, Severity::Notice, "192.168.1.1"});
            server.publish(batch);
        }
    };
    store(24'000);

    SettingsStore settings(dir.filePath(u"settings.ini"_s));
    test::FakeTrayIcon tray;
    MainWindowOptions options;
    options.store = &settings;
    options.trayIcon = &tray;
    CSysLogDlg window(options);
    const LogRows& firewall = window.list(LogCategory::FireWall)->rows();
    const LogRows& wan = window.list(LogCategory::Wan)->rows();
    const auto message = [](const LogRows& rows, qsizetype row) {
        return row < rows.size() ? rows.at(row).message.toByteArray() : QByteArray();
    };
    for (int attach = 0; attach < 2; ++attach) {
        window.attachTo(server.path());
        // The newest entries come in the back-fill's last frame.
        ASSERT_TRUE(QTest::qWaitFor([&] {
            return message(firewall, 0) == "entry " + QByteArray::number(stored - 2) &&
                   message(wan, 0) == "entry " + QByteArray::number(stored - 1);
        }));
        EXPECT_EQ(firewall.size(), 12'000);
        EXPECT_EQ(wan.size(), 12'000);
        EXPECT_EQ(message(firewall, 11'999), "entry " + QByteArray::number(stored - 24'000));
        window.viewerClient()->close();
        store(2);
    }
}

// The offer at start: only where a service's socket is, and not asked again once remembered.
TEST(AttachedWindow, StartOfferFollowsTheSocketAndTheRememberedChoice)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    SettingsStore store(dir.filePath(u"settings.ini"_s));
    const QString socket = dir.filePath(u"viewer.sock"_s);
    EXPECT_FALSE(wantsToAttach(nullptr, store, socket)); // no service: nothing to ask

    const quint16 port = test::freeUdpPort();
    Service service(port, dir.path(), socket);
    ASSERT_TRUE(service.waitUntilReceiving());
    ASSERT_TRUE(store.storeValues({{u"AttachToService"_s, true}}));
    EXPECT_TRUE(wantsToAttach(nullptr, store, socket));
    ASSERT_TRUE(store.storeValues({{u"AttachToService"_s, false}}));
    EXPECT_FALSE(wantsToAttach(nullptr, store, socket));
}

} // namespace
} // namespace quendal
