#include "app/gui/CPortSettingsDlg.h"
#include "app/gui/CSystemTray.h"
#include "app/gui/MainWindowFixture.h"
#include "controls/gui/CHoverButton.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <QSignalSpy>
#include <QStyleHints>
#include <QTabWidget>

using namespace quendal;
using namespace quendal::test;

namespace {

// Same picture at a size a panel would use.
bool samePicture(const QIcon& a, const QString& resource)
{
    return !a.isNull() && a.pixmap(32, 32).toImage() == QIcon(resource).pixmap(32, 32).toImage();
}

const QString kNormal = QStringLiteral(":/icons/quendal-syslog.svg");
const QString kRunning = QStringLiteral(":/icons/quendal-syslog-running.svg");

class SystemTrayTest : public MainWindowTest
{
protected:
    QAction* item(CSystemTray::Command command) const
    {
        return window_->systemTray()->action(command);
    }

    void minimise()
    {
        window_->showMinimized();
        ASSERT_TRUE(waitUntil([this] { return !window_->isVisible(); }));
    }
};

TEST_F(SystemTrayTest, InstalledHiddenWithItsTooltipAndThePopupInOrder)
{
    EXPECT_FALSE(tray_.visible);
    // The program's name, and below it the entries per second once the status bar counted.
    EXPECT_EQ(tray_.toolTip.section(QLatin1Char('\n'), 0, 0), QStringLiteral("QuenDalSysLog"));
    EXPECT_TRUE(samePicture(tray_.icon, kNormal));
    ASSERT_EQ(tray_.menu, window_->systemTray()->menu());

    QStringList texts;
    for (QAction* action : tray_.menu->actions())
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    EXPECT_EQ(
        texts,
        QStringList({QStringLiteral("Show window"), QStringLiteral("-"), QStringLiteral("Start"),
                     QStringLiteral("Stop"), QStringLiteral("Clear"), QStringLiteral("Save"),
                     QStringLiteral("Open"), QStringLiteral("-"), QStringLiteral("Exit")}));
    EXPECT_TRUE(item(CSystemTray::StartCommand)->isEnabled());
    EXPECT_FALSE(item(CSystemTray::StopCommand)->isEnabled());
}

TEST_F(SystemTrayTest, StartAndStopSwitchTheImageAndTheMenuStates)
{
    ASSERT_NE(startOnFreePort(), 0);
    EXPECT_TRUE(samePicture(tray_.icon, kRunning));
    EXPECT_FALSE(item(CSystemTray::StartCommand)->isEnabled());
    EXPECT_TRUE(item(CSystemTray::StopCommand)->isEnabled());

    item(CSystemTray::StopCommand)->trigger();
    EXPECT_FALSE(window_->isRunning());
    EXPECT_TRUE(samePicture(tray_.icon, kNormal));
    EXPECT_TRUE(item(CSystemTray::StartCommand)->isEnabled());
    EXPECT_FALSE(item(CSystemTray::StopCommand)->isEnabled());

    // Open and Save follow the page shown, in the popup as on the tool strip.
    window_->sheet()->setCurrentIndex(CSysLogDlg::TcpTablePage);
    EXPECT_FALSE(item(CSystemTray::OpenCommand)->isEnabled());
    EXPECT_FALSE(item(CSystemTray::SaveCommand)->isEnabled());
    EXPECT_FALSE(window_->openButton()->isEnabled());
    EXPECT_TRUE(item(CSystemTray::ClearCommand)->isEnabled());
    window_->sheet()->setCurrentIndex(0);
    EXPECT_TRUE(item(CSystemTray::OpenCommand)->isEnabled());
    EXPECT_TRUE(item(CSystemTray::SaveCommand)->isEnabled());
}

TEST_F(SystemTrayTest, MinimisingTucksTheWindowAwayAndADoubleClickBringsItBack)
{
    minimise();
    EXPECT_TRUE(tray_.visible);

    // A single click does nothing.
    tray_.click(QSystemTrayIcon::Trigger);
    settle(
        std::chrono::milliseconds(QGuiApplication::styleHints()->mouseDoubleClickInterval() + 100));
    EXPECT_FALSE(window_->isVisible());
    tray_.click(QSystemTrayIcon::Context);
    EXPECT_FALSE(window_->isVisible());

    tray_.click(QSystemTrayIcon::DoubleClick);
    EXPECT_TRUE(window_->isVisible());
    EXPECT_FALSE(window_->isMinimized());
    EXPECT_FALSE(tray_.visible);

    // Panels that report each click singly: two quick clicks count as the double click.
    minimise();
    tray_.click(QSystemTrayIcon::Trigger);
    tray_.click(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(window_->isVisible());
    EXPECT_FALSE(tray_.visible);
}

TEST_F(SystemTrayTest, WithoutANotificationAreaTheWindowStaysMinimised)
{
    tray_.available = false;
    window_->showMinimized();
    processPostedEvents();
    EXPECT_TRUE(window_->isVisible());
    EXPECT_TRUE(window_->isMinimized());
    EXPECT_FALSE(tray_.visible);

    // A panel that turns up later is used at the next minimise.
    window_->showNormal();
    tray_.available = true;
    minimise();
    EXPECT_TRUE(tray_.visible);
}

TEST_F(SystemTrayTest, PopupCommandsWorkWhileTheWindowIsTuckedAway)
{
    ASSERT_NE(startOnFreePort(), 0);
    minimise();
    item(CSystemTray::StopCommand)->trigger();
    EXPECT_TRUE(samePicture(tray_.icon, kNormal));

    // Start from the popup: the settings dialog comes up; once confirmed, the running image.
    item(CSystemTray::StartCommand)->trigger();
    CPortSettingsDlg* settings = window_->settingsDialog();
    ASSERT_TRUE(settings->isVisible());
    settings->syslogPortEdit()->setText(QString::number(freeUdpPort()));
    settings->okButton()->click();
    EXPECT_TRUE(window_->isRunning());
    EXPECT_TRUE(samePicture(tray_.icon, kRunning));
    EXPECT_FALSE(window_->isVisible());

    // Exit ends the program as the close button does.
    QSignalSpy closed(window_.get(), &CSysLogDlg::closed);
    item(CSystemTray::ExitCommand)->trigger();
    EXPECT_EQ(closed.count(), 1);
    EXPECT_FALSE(window_->isRunning());
}

} // namespace
