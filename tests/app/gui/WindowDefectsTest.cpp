#include "app/core/InstanceActivation.h"
#include "app/gui/CClearLogDlg.h"
#include "app/gui/CSystemTray.h"
#include "app/gui/ElidedLabel.h"
#include "app/gui/MainWindowFixture.h"
#include "controls/gui/CColorListCtrl.h"
#include "logs/core/LogList.h"
#include "logs/gui/CCategoryPage.h"
#include "netinfo/core/SocketTableModel.h"
#include "netinfo/gui/CClientControlPage.h"
#include "netinfo/gui/CTcpTablePage.h"
#include "netinfo/gui/SocketTableView.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QProcess>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTabWidget>
#include <QTreeView>

#include <thread>

using namespace quendal;
using namespace quendal::test;

namespace {

// What a cell gives its text: the indent on the left and the grid line on the right.
constexpr int kCellChrome = 3;

template <typename Page> Page* pageOf(QTabWidget* sheet)
{
    for (int i = 0; i < sheet->count(); ++i)
        if (auto* page = qobject_cast<Page*>(sheet->widget(i)))
            return page;
    return nullptr;
}

class WindowDefects : public MainWindowTest
{};

} // namespace

TEST_F(WindowDefects, TimeAndHostColumnsShowAWholeClassicTimeAndAddress)
{
    for (LogCategory c : kAllCategories) {
        CColorListCtrl* ctrl = window_->categoryPage(c)->listCtrl();
        const QFontMetrics metrics = ctrl->fontMetrics();
        for (const char* time : {"Mar 14 09:26:53", "May 28 00:00:00", "Dec 31 23:59:59"})
            EXPECT_GE(ctrl->columnWidth(0) - kCellChrome,
                      metrics.horizontalAdvance(QLatin1String(time)))
                << time;
        EXPECT_GE(ctrl->columnWidth(1) - kCellChrome,
                  metrics.horizontalAdvance(QStringLiteral("255.255.255.255")));
    }
}

TEST_F(WindowDefects, TcpCaptionsAreNotCut)
{
    auto* tcp = pageOf<CTcpTablePage>(window_->sheet());
    ASSERT_NE(tcp, nullptr);
    QHeaderView* header = tcp->view()->horizontalHeader();
    for (int column = 0; column + 1 < header->count(); ++column) {
        const QString caption = tcp->model()->headerData(column, Qt::Horizontal).toString();
        EXPECT_GT(header->sectionSize(column), header->fontMetrics().horizontalAdvance(caption))
            << qPrintable(caption);
    }
}

TEST_F(WindowDefects, NetworkTablesSelectWholeRowsAtTheLogsRowHeightAndFillTheWidth)
{
    const int logRow = window_->categoryPage(LogCategory::FireWall)->listCtrl()->rowHeight();
    auto* tcp = pageOf<CTcpTablePage>(window_->sheet());
    ASSERT_NE(tcp, nullptr);
    EXPECT_EQ(tcp->view()->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(tcp->view()->verticalHeader()->defaultSectionSize(), logRow);
    EXPECT_TRUE(tcp->view()->horizontalHeader()->stretchLastSection());
    auto* client = pageOf<CClientControlPage>(window_->sheet());
    ASSERT_NE(client, nullptr);
    EXPECT_TRUE(client->routerView()->header()->stretchLastSection());
}

TEST_F(WindowDefects, TheMessageColumnFillsTheViewAndNoScrollBarShowsUntilColumnsAreWidened)
{
    window_->resize(900, 600);
    CColorListCtrl* ctrl = window_->categoryPage(LogCategory::FireWall)->listCtrl();
    ASSERT_TRUE(waitUntil([&] {
        return ctrl->columnWidth(0) + ctrl->columnWidth(1) + ctrl->columnWidth(2) ==
               ctrl->viewport()->width();
    }));
    EXPECT_EQ(ctrl->horizontalScrollBar()->maximum(), 0);
    // Wider still: the last column follows the view.
    window_->resize(1300, 600);
    ASSERT_TRUE(waitUntil([&] {
        return ctrl->columnWidth(0) + ctrl->columnWidth(1) + ctrl->columnWidth(2) ==
               ctrl->viewport()->width();
    }));
    // A user widening the Time column past the view gets the bar.
    ctrl->header()->resizeSection(0, ctrl->viewport()->width() + 200);
    EXPECT_TRUE(waitUntil([&] { return ctrl->horizontalScrollBar()->maximum() > 0; }));
}

TEST_F(WindowDefects, AHiddenWindowComesBackWhenTheNotificationAreaGoes)
{
    window_->systemTray()->setAreaWatchPeriod(std::chrono::milliseconds(20));
    window_->showMinimized();
    ASSERT_TRUE(waitUntil([this] { return !window_->isVisible(); }));
    ASSERT_TRUE(tray_.visible);
    // The area is still there at the watch's next looks: the window stays away.
    const int looks = tray_.looks;
    ASSERT_TRUE(waitUntil([&] { return tray_.looks >= looks + 3; }));
    EXPECT_FALSE(window_->isVisible());
    tray_.available = false;
    EXPECT_TRUE(waitUntil([this] { return window_->isVisible() && !window_->isMinimized(); }));
    EXPECT_FALSE(tray_.visible);
}

TEST(InstanceActivationTest, ASecondStartAsksTheRunningInstanceToShow)
{
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("instance.socket"));
    // Nobody listens yet: the second start learns that at once.
    EXPECT_FALSE(InstanceActivation::askRunningInstanceToShow(name, 500));

    InstanceActivation running(name);
    ASSERT_TRUE(running.listen());
    QSignalSpy shown(&running, &InstanceActivation::showRequested);
    bool answered = false;
    std::thread second([&] { answered = InstanceActivation::askRunningInstanceToShow(name); });
    EXPECT_TRUE(waitUntil([&] { return shown.count() == 1; }));
    second.join();
    EXPECT_TRUE(answered);

    // A socket left behind by a crashed instance does not keep the next one from listening.
    InstanceActivation next(name);
    EXPECT_TRUE(next.listen());
}

TEST_F(WindowDefects, EnterInTheClearDialogIsOkAfterAnEarlierCancelByMouse)
{
    window_->activateWindow();
    window_->OnClearLog();
    CClearLogDlg* dialog = window_->clearDialog();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
    dialog->cancelButton()->setFocus();
    QTest::mouseClick(dialog->cancelButton(), Qt::LeftButton);
    ASSERT_FALSE(dialog->isVisible());

    window_->OnClearLog();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
    EXPECT_TRUE(dialog->okButton()->isDefault());
    EXPECT_FALSE(dialog->cancelButton()->isDefault());
    QSignalSpy accepted(dialog, &QDialog::accepted);
    QWidget* target = dialog->focusWidget() ? dialog->focusWidget() : dialog;
    QTest::keyClick(target, Qt::Key_Return);
    EXPECT_EQ(accepted.count(), 1);
}

TEST_F(WindowDefects, LongStatusTextsAreElidedWithTheWholeTextAsTooltip)
{
    ElidedLabel* label = window_->stateLabel();
    const QString whole = QStringLiteral(
        "Cannot receive on UDP port 514: permission denied (ports below 1024 need the "
        "CAP_NET_BIND_SERVICE capability; see the README)");
    label->setText(whole);
    window_->resize(500, 600);
    ASSERT_TRUE(waitUntil([&] { return label->width() < label->sizeHint().width(); }));
    EXPECT_NE(label->shownText(), whole);
    EXPECT_TRUE(label->shownText().endsWith(QChar(0x2026)));
    EXPECT_EQ(label->toolTip(), whole);

    label->setText(QStringLiteral("Ready"));
    EXPECT_EQ(label->shownText(), QStringLiteral("Ready"));
    EXPECT_TRUE(label->toolTip().isEmpty());
}

TEST_F(WindowDefects, DialogsAreWideEnoughForTheirTitles)
{
    window_->OnStart();
    QDialog* settings = window_->settingsDialog();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(settings));
    EXPECT_GT(settings->width(),
              settings->fontMetrics().horizontalAdvance(settings->windowTitle()) + 60);
    settings->reject();
    window_->OnClearLog();
    QDialog* clear = window_->clearDialog();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(clear));
    EXPECT_GT(clear->width(), clear->fontMetrics().horizontalAdvance(clear->windowTitle()) + 60);
    clear->reject();
}

TEST(DesktopEntry, PassesDesktopFileValidate)
{
    const QString validator =
        QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (validator.isEmpty())
        GTEST_SKIP() << "desktop-file-validate is not installed (package desktop-file-utils)";
    QProcess process;
    process.start(validator,
                  {QStringLiteral(QUENDAL_SOURCE_DIR "/resources/quendal-syslog.desktop")});
    ASSERT_TRUE(process.waitForFinished(10000));
    const QByteArray output = process.readAllStandardOutput() + process.readAllStandardError();
    EXPECT_EQ(process.exitCode(), 0) << output.constData();
    // Hints count too: more than one main category puts the entry into several menus.
    EXPECT_TRUE(output.trimmed().isEmpty()) << output.constData();
}
