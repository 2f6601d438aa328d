#include "app/core/SettingsStore.h"
#include "app/gui/CPortSettingsDlg.h"
#include "app/gui/CSysLogDlg.h"
#include "app/gui/FakeTrayIcon.h"
#include "controls/gui/CColorListCtrl.h"
#include "logs/core/LogList.h"
#include "logs/gui/CCategoryPage.h"
#include "support/TestSupport.h"
#include "xvfb/XvfbTestMain.h"

#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <arpa/inet.h>
#include <gtest/gtest.h>

using namespace quendal;
using namespace quendal::test;

namespace {

// What a cell of the log list keeps from its width for other things than the text: the indent
// on the left and the grid line on the right.
constexpr int kCellChrome = 3;

TEST(TimeColumnOnX, ATwoDigitDayClassicTimeShowsWhole)
{
    if (!xvfbUnavailable.isEmpty())
        GTEST_SKIP() << xvfbUnavailable.toStdString();
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));

    QTemporaryDir dir;
    SettingsStore store(dir.filePath(QStringLiteral("settings.ini")));
    store.store(dir.path(), std::nullopt);
    FakeTrayIcon tray;
    MainWindowOptions options;
    options.store = &store;
    options.listenAddress = htonl(INADDR_LOOPBACK);
    options.trayIcon = &tray;
    CSysLogDlg window(options);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    const quint16 port = freeUdpPort();
    window.OnStart();
    CPortSettingsDlg* dialog = window.settingsDialog();
    ASSERT_TRUE(dialog->isVisible());
    dialog->syslogPortEdit()->setText(QString::number(port));
    QTest::mouseClick(dialog->okButton(), Qt::LeftButton);
    ASSERT_TRUE(window.isRunning());

    // Times with two-digit days, and the digits that are widest in many fonts.
    const QList<QByteArray> times = {"Dec 17 09:26:55", "Nov 28 23:59:59", "May 30 08:48:08"};
    LoopbackPeer router;
    for (const QByteArray& time : times)
        router.sendTo(port, "<131>" + time + " gateway: Packet blocked");
    LogList* list = window.list(LogCategory::FireWall);
    ASSERT_TRUE(waitUntil([&] { return list->size() == times.size(); }));
    CColorListCtrl* ctrl = window.categoryPage(LogCategory::FireWall)->listCtrl();
    ASSERT_TRUE(waitUntil([&] { return ctrl->isVisible() && ctrl->columnWidth(0) > 0; }));

    // Whole when the text's width in the view's own font fits the column less the chrome.
    const QFontMetrics metrics = ctrl->fontMetrics();
    for (int row = 0; row < list->rowCount(); ++row) {
        const QString text = list->index(row, 0).data().toString();
        EXPECT_TRUE(times.contains(text.toLatin1())) << text.toStdString();
        EXPECT_LE(metrics.horizontalAdvance(text), ctrl->columnWidth(0) - kCellChrome)
            << text.toStdString() << " in " << ctrl->font().toString().toStdString();
    }
}

} // namespace
