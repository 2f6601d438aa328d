#include "app/gui/MainWindowFixture.h"
#include "app/gui/StatusPanels.h"
#include "controls/gui/CColorListCtrl.h"
#include "controls/gui/CHoverButton.h"
#include "logs/core/LogList.h"
#include "logs/gui/CCategoryPage.h"
#include "receiver/core/HostList.h"
#include "receiver/core/ReceptionEngine.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTabWidget>
#include <QUdpSocket>

using namespace quendal;
using namespace quendal::test;

namespace {

const QHostAddress kOtherSender(QStringLiteral("127.0.0.2"));

QString cell(const LogList* list, int row, int column)
{
    return list->data(list->index(row, column)).toString();
}

// Whether some pixel inside `rect` of the image is clearly red.
bool hasRedPixel(const QImage& image, const QRect& rect)
{
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 200 && c.green() < 70 && c.blue() < 70)
                return true;
        }
    }
    return false;
}

} // namespace

TEST_F(MainWindowTest, StartUpShowsTheSettingsDialogAndCancelLeavesItReady)
{
    window_->startUp();
    ASSERT_TRUE(window_->settingsDialog()->isVisible());
    EXPECT_EQ(window_->stateText(), QStringLiteral("Ready"));

    QTest::mouseClick(window_->settingsDialog()->cancelButton(), Qt::LeftButton);
    EXPECT_FALSE(window_->settingsDialog()->isVisible());
    EXPECT_FALSE(window_->isRunning());
    EXPECT_EQ(window_->stateText(), QStringLiteral("Ready"));
    EXPECT_TRUE(window_->startButton()->isEnabled());
    EXPECT_FALSE(window_->stopButton()->isEnabled());
}

TEST_F(MainWindowTest, OkOnAFreePortRunsAndStopReturnsToReady)
{
    ASSERT_NE(startOnFreePort(), 0);
    EXPECT_EQ(window_->stateText(), QStringLiteral("Running..."));
    EXPECT_FALSE(window_->startButton()->isEnabled());
    EXPECT_TRUE(window_->stopButton()->isEnabled());

    QTest::mouseClick(window_->stopButton(), Qt::LeftButton);
    EXPECT_FALSE(window_->isRunning());
    EXPECT_EQ(window_->stateText(), QStringLiteral("Ready"));
    EXPECT_TRUE(window_->startButton()->isEnabled());
    EXPECT_FALSE(window_->stopButton()->isEnabled());
}

TEST_F(MainWindowTest, APortInUseKeepsTheWindowStoppedAndSaysWhy)
{
    QUdpSocket occupant;
    ASSERT_TRUE(occupant.bind(QHostAddress::LocalHost, 0));
    const quint16 port = occupant.localPort();

    EXPECT_TRUE(startOn(port)); // the dialog closes; the socket is what fails
    EXPECT_FALSE(window_->isRunning());
    EXPECT_TRUE(window_->stateText().contains(QString::number(port)))
        << qPrintable(window_->stateText());
    EXPECT_TRUE(window_->startButton()->isEnabled());
    EXPECT_FALSE(window_->stopButton()->isEnabled());

    // The reason stays until the next Start or Stop.
    QTest::mouseClick(window_->startButton(), Qt::LeftButton);
    QTest::mouseClick(window_->settingsDialog()->cancelButton(), Qt::LeftButton);
    EXPECT_TRUE(window_->stateText().contains(QString::number(port)));
    window_->OnStop();
    EXPECT_EQ(window_->stateText(), QStringLiteral("Ready"));
}

TEST_F(MainWindowTest, DatagramsLandOnTopOfTheirPageAndEmergenciesAreRed)
{
    const quint16 port = startOnFreePort();
    ASSERT_NE(port, 0);
    LoopbackPeer router;
    router.sendTo(port, "<131>Mar 14 09:26:53 gateway: Packet blocked");
    router.sendTo(port, "<128>Mar 14 09:26:54 gateway: Attack dropped");
    router.sendTo(port, "<137>Mar 14 09:26:55 gateway: Tunnel up");

    LogList* firewall = window_->list(LogCategory::FireWall);
    LogList* vpn = window_->list(LogCategory::VPN);
    ASSERT_TRUE(waitUntil([&] { return firewall->size() == 2 && vpn->size() == 1; }));
    EXPECT_EQ(cell(firewall, 0, 2), QStringLiteral("Attack dropped"));
    EXPECT_EQ(cell(firewall, 1, 2), QStringLiteral("Packet blocked"));
    EXPECT_EQ(cell(firewall, 0, 1), QStringLiteral("gateway"));
    EXPECT_EQ(cell(vpn, 0, 2), QStringLiteral("Tunnel up"));

    CColorListCtrl* list = window_->categoryPage(LogCategory::FireWall)->listCtrl();
    for (int column = 0; column < 3; ++column) {
        EXPECT_EQ(list->GetCellTextColour(0, column), 0x0000FFu);
        EXPECT_EQ(list->GetCellTextColour(1, column), list->ColourValue(DEF_TEXT));
    }

    // On screen: the emergency's message is drawn in red, the ordinary entry's is not.
    window_->sheet()->setCurrentIndex(0);
    window_->sheet()->setFocus(); // the list unfocused: rows in their own colours
    const QImage image = list->viewport()->grab().toImage();
    EXPECT_TRUE(hasRedPixel(image, list->GetCellRect(0, 2, false)));
    EXPECT_FALSE(hasRedPixel(image, list->GetCellRect(1, 2, false)));
}

TEST_F(MainWindowTest, ASelectedSenderFiltersOthersButStillListsThem)
{
    const quint16 port = startOnFreePort();
    ASSERT_NE(port, 0);
    LoopbackPeer router;
    LoopbackPeer other(kOtherSender);
    router.sendTo(port, "<131>Mar 14 09:26:53 gw: first");
    QComboBox* hosts = window_->hostBox();
    ASSERT_TRUE(waitUntil([&] { return hosts->count() == 2; }));
    EXPECT_EQ(hosts->itemText(0), QStringLiteral("Any"));
    EXPECT_EQ(hosts->itemText(1), QStringLiteral("127.0.0.1"));

    hosts->setCurrentIndex(1);
    other.sendTo(port, "<131>Mar 14 09:26:54 other: dropped");
    ASSERT_TRUE(waitUntil([&] { return hosts->count() == 3; }));
    router.sendTo(port, "<131>Mar 14 09:26:55 gw: second");
    LogList* firewall = window_->list(LogCategory::FireWall);
    ASSERT_TRUE(waitUntil([&] { return firewall->size() == 2; }));
    EXPECT_EQ(cell(firewall, 0, 2), QStringLiteral("second"));
    EXPECT_EQ(hosts->itemText(2), QStringLiteral("127.0.0.2"));
    EXPECT_EQ(hosts->currentIndex(), 1);

    // Stop forgets every sender and selects "Any" again.
    QTest::mouseClick(window_->stopButton(), Qt::LeftButton);
    EXPECT_EQ(hosts->count(), 1);
    EXPECT_EQ(hosts->currentText(), QStringLiteral("Any"));
    EXPECT_EQ(window_->hosts()->selectedRow(), 0);
}

TEST_F(MainWindowTest, StatusPanelsFollowTheSelectedRouterAndResetUnderAny)
{
    const quint16 port = startOnFreePort();
    ASSERT_NE(port, 0);
    LoopbackPeer router;
    StatusPanels* panels = window_->statusPanels();
    const QByteArray status = "<173>Mar 14 09:26:53 gw: BBandMode=PPPoE BBandIp=10.0.0.2 "
                              "GW_IP=10.0.0.1 Tx=5 Rx=7 ";
    router.sendTo(port, "<131>Mar 14 09:26:53 gw: hello");
    ASSERT_TRUE(waitUntil([&] { return window_->hostBox()->count() == 2; }));
    window_->hostBox()->setCurrentIndex(1);

    router.sendTo(port, status);
    ASSERT_TRUE(waitUntil(
        [&] { return panels->valueLabel(WanField::LanRxPackets)->text() == QStringLiteral("7"); }));
    EXPECT_EQ(panels->wanFrame()->title(), QStringLiteral("WAN Status( PPPoE )"));
    EXPECT_EQ(panels->valueLabel(WanField::WanAddress)->text(), QStringLiteral("10.0.0.2"));
    EXPECT_EQ(panels->valueLabel(WanField::GatewayAddress)->text(), QStringLiteral("10.0.0.1"));
    EXPECT_EQ(panels->valueLabel(WanField::LanTxPackets)->text(), QStringLiteral("5"));
    EXPECT_EQ(panels->valueLabel(WanField::WanTxRate)->text(), QStringLiteral("0"));

    // Status messages are not listed anywhere.
    for (LogCategory c : kAllCategories)
        EXPECT_EQ(window_->list(c)->size(), c == LogCategory::FireWall ? 1 : 0);

    // With every sender accepted the panels stay on the router watched.
    window_->hostBox()->setCurrentIndex(0);
    router.sendTo(port, status);
    ASSERT_TRUE(waitUntil([&] { return window_->reception()->counters().statusReports == 2; }));
    EXPECT_EQ(panels->wanFrame()->title(), QStringLiteral("WAN Status( PPPoE )"));
    EXPECT_EQ(panels->valueLabel(WanField::LanRxPackets)->text(), QStringLiteral("7"));
}

TEST_F(MainWindowTest, PanelsAndLabelsCarryTheirColoursAndTexts)
{
    StatusPanels* panels = window_->statusPanels();
    EXPECT_EQ(panels->valueLabel(WanField::WanRxRate)->palette().color(QPalette::WindowText),
              QColor(0, 200, 0));
    EXPECT_EQ(panels->fieldLabel(WanField::WanRxRate)->palette().color(QPalette::WindowText),
              QColor(0, 0, 255));
    EXPECT_EQ(panels->wanFrame()->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_EQ(panels->lanFrame()->title(), QStringLiteral("LAN Status"));
    EXPECT_EQ(panels->fieldLabel(WanField::GatewayAddress)->text(), QStringLiteral("GW IP Addr"));
    EXPECT_EQ(panels->valueLabel(WanField::GatewayAddress)->text(), QStringLiteral("...."));

    const QStringList tabs = {QStringLiteral("FireWall Log"),    QStringLiteral("VPN Log"),
                              QStringLiteral("User Access Log"), QStringLiteral("Call Log"),
                              QStringLiteral("WAN Log"),         QStringLiteral("Client"),
                              QStringLiteral("Local TCP Table"), QStringLiteral("Local UDP Table"),
                              QStringLiteral("Activity")};
    ASSERT_EQ(window_->sheet()->count(), tabs.size());
    for (int i = 0; i < tabs.size(); ++i)
        EXPECT_EQ(window_->sheet()->tabText(i), tabs[i]);
    EXPECT_EQ(window_->windowTitle(), QStringLiteral("QuenDalSysLog"));
    // The UI text, and the shortcut beside it.
    EXPECT_EQ(window_->startButton()->toolTip(), QStringLiteral("Start (F5)"));
    EXPECT_EQ(window_->openButton()->toolTip(), QStringLiteral("Open (Ctrl+O)"));
}

TEST_F(MainWindowTest, OpenAndSaveAreOfferedOnLogTabsOnly)
{
    for (int tab = 0; tab < CSysLogDlg::PageCount; ++tab) {
        window_->sheet()->setCurrentIndex(tab);
        const bool logTab = tab < kCategoryCount;
        EXPECT_EQ(window_->openButton()->isEnabled(), logTab) << tab;
        EXPECT_EQ(window_->saveButton()->isEnabled(), logTab) << tab;
    }
    // Stop on a network tab keeps them off.
    window_->OnStop();
    EXPECT_FALSE(window_->openButton()->isEnabled());
}

TEST_F(MainWindowTest, EnterAndEscapeDoNotCloseTheWindow)
{
    ASSERT_NE(startOnFreePort(), 0);
    window_->activateWindow();
    window_->hostBox()->setFocus();
    QTest::keyClick(window_->hostBox(), Qt::Key_Escape);
    QTest::keyClick(window_->hostBox(), Qt::Key_Return);
    QTest::keyClick(window_.get(), Qt::Key_Escape);
    QTest::keyClick(window_.get(), Qt::Key_Enter);
    processPostedEvents();
    EXPECT_TRUE(window_->isVisible());
    EXPECT_TRUE(window_->isRunning());
}

TEST_F(MainWindowTest, ClockShowsTheTimeOfDayAndMovesOn)
{
    const QRegularExpression format(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d$"));
    const QString first = window_->clockText();
    EXPECT_TRUE(format.match(first).hasMatch()) << qPrintable(first);
    EXPECT_TRUE(waitUntil([&] { return window_->clockText() != first; }, std::chrono::seconds(3)));
    EXPECT_TRUE(format.match(window_->clockText()).hasMatch());
}

TEST_F(MainWindowTest, AboutBoxFromTheWindowMenu)
{
    EXPECT_EQ(window_->aboutAction()->text(), QStringLiteral("&About QuenDalSysLog..."));
    window_->aboutAction()->trigger();
    QMessageBox* box = window_->aboutBox();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(box->windowTitle(), QStringLiteral("About QuenDalSysLog"));
    EXPECT_EQ(box->text(), QStringLiteral("QuenDalSysLog Version 1.0"));
    box->accept();
    EXPECT_TRUE(waitUntil([&] { return window_->aboutBox() == nullptr; }));
}

TEST_F(MainWindowTest, ALostLogFolderIsShownOnceAndReceptionGoesOn)
{
    QTemporaryDir folder;
    store_->store(folder.path(), std::nullopt);
    const quint16 port = startOnFreePort();
    ASSERT_NE(port, 0);
    ASSERT_TRUE(folder.remove());

    LoopbackPeer router;
    router.sendTo(port, "<131>Mar 14 09:26:53 gw: one");
    router.sendTo(port, "<131>Mar 14 09:26:54 gw: two");
    LogList* firewall = window_->list(LogCategory::FireWall);
    ASSERT_TRUE(waitUntil([&] { return firewall->size() == 2; }));
    EXPECT_TRUE(window_->stateText().contains(folder.path())) // the missing folder is named
        << qPrintable(window_->stateText());
    EXPECT_TRUE(window_->isRunning());

    // Once the folder is back, the state says so.
    ASSERT_TRUE(QDir().mkpath(folder.path()));
    router.sendTo(port, "<131>Mar 14 09:26:55 gw: three");
    ASSERT_TRUE(waitUntil([&] { return firewall->size() == 3; }));
    EXPECT_EQ(window_->stateText(), QStringLiteral("Running..."));
}
