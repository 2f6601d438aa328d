#include "activity/core/ActivitySeries.h"
#include "activity/gui/CActivityPage.h"
#include "app/gui/CSystemTray.h"
#include "app/gui/MainWindowFixture.h"
#include "logs/core/LogList.h"
#include "logs/gui/CCategoryPage.h"
#include "logs/gui/FindBar.h"
#include "logs/gui/RowFilter.h"
#include "receiver/core/ReceptionEngine.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <QTabWidget>

using namespace quendal;
using namespace quendal::test;

namespace {

using WindowTellsWhyTest = MainWindowTest;

TEST_F(WindowTellsWhyTest, TheNotificationAreaTellsTheStateAndLeadsBackToTheWindow)
{
    EXPECT_TRUE(tray_.toolTip.endsWith(QStringLiteral("\nStopped"))) << tray_.toolTip.toStdString();
    const quint16 port = startOnFreePort();
    ASSERT_NE(port, 0);
    EXPECT_TRUE(tray_.toolTip.contains(QStringLiteral("Receiving on port %1").arg(port)))
        << tray_.toolTip.toStdString();

    // The popup's first entry shows the hidden window.
    QAction* show = window_->systemTray()->action(CSystemTray::ShowCommand);
    ASSERT_NE(show, nullptr);
    EXPECT_EQ(tray_.menu->actions().front(), show);
    EXPECT_EQ(show->text(), QStringLiteral("Show window"));
    window_->hide();
    show->trigger();
    EXPECT_TRUE(window_->isVisible());

    // A click on an emergency's message shows the window on that emergency's tab.
    window_->sheet()->setCurrentIndex(CSysLogDlg::TcpTablePage);
    window_->hide();
    LoopbackPeer router;
    router.sendTo(port, "<128>Mar 14 09:26:53 gw: attack");
    ASSERT_TRUE(waitUntil([&] { return !tray_.messages.isEmpty(); }));
    Q_EMIT tray_.messageClicked();
    EXPECT_TRUE(window_->isVisible());
    EXPECT_EQ(window_->sheet()->currentIndex(), categoryIndex(LogCategory::FireWall));

    window_->OnStop();
    EXPECT_TRUE(tray_.toolTip.endsWith(QStringLiteral("\nStopped")));
}

TEST_F(WindowTellsWhyTest, ReportsSayWhyAndDoNotOutliveTheirCause)
{
    // The settings dialog says why it refuses.
    window_->OnStart();
    CPortSettingsDlg* dialog = window_->settingsDialog();
    dialog->syslogPortEdit()->setText(QStringLiteral("99999"));
    QTest::mouseClick(dialog->okButton(), Qt::LeftButton);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->problemText(),
              QStringLiteral("The syslog port must be a number, 1 to 65535."));
    dialog->syslogPortEdit()->setText(QString::number(freeUdpPort()));
    // A file where the folder should be.
    dialog->logPathEdit()->setText(dir_.filePath(QStringLiteral("settings.ini")));
    QTest::mouseClick(dialog->okButton(), Qt::LeftButton);
    EXPECT_TRUE(
        dialog->problemText().startsWith(QStringLiteral("Cannot write to the log folder: ")))
        << dialog->problemText().toStdString();
    dialog->logPathEdit()->setText(logFolder());
    QTest::mouseClick(dialog->okButton(), Qt::LeftButton);
    ASSERT_TRUE(window_->isRunning());

    // A failed forward of one run is not shown through Stop and the next Start.
    Q_EMIT window_->reception()->forwardingFailed(QStringLiteral("Connection refused"));
    EXPECT_TRUE(
        window_->statusBar()->currentMessage().startsWith(QStringLiteral("Cannot forward")));
    window_->OnStop();
    EXPECT_TRUE(window_->statusBar()->currentMessage().isEmpty());
    EXPECT_EQ(window_->stateText(), QStringLiteral("Ready"));

    // Save on an empty list says so instead of asking for a file name first.
    window_->OnSaveLog();
    EXPECT_EQ(window_->fileDialog(), nullptr);
    EXPECT_EQ(window_->statusBar()->currentMessage(),
              QStringLiteral("Nothing to save: the list is empty"));
}

TEST_F(WindowTellsWhyTest, TheEmergenciesOfAMinuteAreTheirRowsOnlyAndTheirAbsenceIsSaid)
{
    const quint16 port = startOnFreePort();
    ASSERT_NE(port, 0);
    LoopbackPeer router;
    // Three emergencies, and two ordinary rows with the same message.
    for (int i = 0; i < 3; ++i)
        router.sendTo(port, "<128>Mar 14 09:26:53 gw: attack");
    for (int i = 0; i < 2; ++i)
        router.sendTo(port, "<131>Mar 14 09:26:50 gw: attack");
    LogList* list = window_->list(LogCategory::FireWall);
    ASSERT_TRUE(waitUntil([&] { return list->size() == 5; }));
    const qint64 minute = window_->activity()->minutes().latestMinute();
    CActivityPage* page = window_->activityPage();

    Q_EMIT page->emergenciesRequested(LogCategory::FireWall, minute, CActivityPage::Arrivals);
    FindBar* bar = window_->categoryPage(LogCategory::FireWall)->findBar();
    EXPECT_EQ(window_->sheet()->currentIndex(), categoryIndex(LogCategory::FireWall));
    EXPECT_TRUE(waitUntil([&] { return bar->filter()->matchCount() == 3; }))
        << bar->filter()->matchCount();

    window_->ClearList(list);
    window_->statusBar()->clearMessage();
    Q_EMIT page->emergenciesRequested(LogCategory::FireWall, minute, CActivityPage::Arrivals);
    EXPECT_TRUE(
        window_->statusBar()->currentMessage().startsWith(QStringLiteral("The emergencies of ")))
        << window_->statusBar()->currentMessage().toStdString();
}

} // namespace
