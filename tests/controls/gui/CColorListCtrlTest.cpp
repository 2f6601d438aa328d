#include "controls/gui/CColorListCtrl.h"

#include "controls/gui/ColourPalette.h"
#include "logs/core/LogList.h"

#include <QAbstractItemModelTester> // its "qt.modeltest" warnings fail the test (TestSupport)
#include <QApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QImage>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <QToolTip>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace quendal {
namespace {

const QStringList kCaptions{QStringLiteral("Time"), QStringLiteral("Host"),
                            QStringLiteral("Message")};

QByteArray messageOf(int n)
{
    return "message " + QByteArray::number(n);
}

class ColorListGuiTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ctrl.resize(700, 300);
        ctrl.setList(&list);
        ASSERT_EQ(ctrl.SetupColumns(kCaptions, {8, 8, 84}, 1224), CColorListCtrl::SetupDone);
        ctrl.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&ctrl));
    }

    // Rows "message 0" (oldest, at the bottom) to "message n-1" (on top).
    void prependRows(int n, int colour = DEF_TEXT)
    {
        for (int i = 0; i < n; ++i) {
            const QByteArray message = messageOf(int(list.size()));
            list.insert(0, {"Mar 14 09:26:53", "gw", message}, colour);
        }
    }

    QByteArray messageAt(qsizetype row) const { return list.entry(row).message.toByteArray(); }

    static void showActive(QWidget& window)
    {
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    // A pixel of a cell away from its text and grid lines.
    static QColor fillOf(CColorListCtrl& view, qsizetype row, int column)
    {
        const QRect cell = view.GetCellRect(row, column, false);
        const QImage image = view.viewport()->grab().toImage();
        return image.pixelColor(cell.right() - 3, cell.center().y());
    }

    LogList list;
    CColorListCtrl ctrl;
};

TEST_F(ColorListGuiTest, SetupColumnsChecksItsArgumentsInOrder)
{
    const QList<quint8> good{8, 8, 84};
    EXPECT_EQ(ctrl.SetupColumns({}, good, 1000), CColorListCtrl::SetupMissing);
    EXPECT_EQ(ctrl.SetupColumns(kCaptions, {}, 1000), CColorListCtrl::SetupMissing);
    EXPECT_EQ(ctrl.SetupColumns(kCaptions.mid(0, 2), {50, 50}, 1000),
              CColorListCtrl::SetupCaptionCount);
    EXPECT_EQ(ctrl.SetupColumns(kCaptions, {50, 50}, 1000), CColorListCtrl::SetupWidthCount);
    EXPECT_EQ(ctrl.SetupColumns(kCaptions, {8, 8, 83}, 1000), CColorListCtrl::SetupBadWidths);
    EXPECT_EQ(ctrl.SetupColumns(kCaptions, {8, 8, 85}, 1000), CColorListCtrl::SetupBadWidths);

    // None of the refused calls touched the columns set up by the fixture.
    EXPECT_EQ(ctrl.header()->sectionSize(0), 97);
    EXPECT_EQ(ctrl.header()->sectionSize(1), 97);
    EXPECT_EQ(ctrl.header()->sectionSize(2), 1028);
}

TEST_F(ColorListGuiTest, SetupColumnsSetsCaptionsAndRoundedDownWidths)
{
    EXPECT_EQ(list.headerData(2, Qt::Horizontal).toString(), QStringLiteral("Message"));
    EXPECT_EQ(ctrl.GetCellRect(0, 0, true), QRect()); // no rows yet

    prependRows(1);
    EXPECT_EQ(ctrl.GetCellRect(0, 1, true).left(), 97);
    EXPECT_EQ(ctrl.GetCellRect(0, 2, true).left(), 194);
    EXPECT_EQ(ctrl.GetCellRect(0, 2, true).width(), 1028);
    EXPECT_EQ(ctrl.GetRowRect(0, true).width(), 97 + 97 + 1028);
}

TEST_F(ColorListGuiTest, ColumnsSetUpBeforeTheListApplyWhenItArrives)
{
    CColorListCtrl early;
    early.resize(400, 200);
    ASSERT_EQ(early.SetupColumns(kCaptions, {20, 30, 50}, 400), CColorListCtrl::SetupDone);
    LogList other;
    early.setList(&other);
    EXPECT_EQ(other.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Host"));
    EXPECT_EQ(early.header()->sectionSize(0), 80);
    EXPECT_EQ(early.header()->sectionSize(2), 200);
}

TEST_F(ColorListGuiTest, CellRectanglesFollowHorizontalScrollingAndShrinkWhenNotFull)
{
    prependRows(3);
    ctrl.horizontalScrollBar()->setValue(40);
    EXPECT_EQ(ctrl.header()->offset(), 40);
    EXPECT_EQ(ctrl.GetRowRect(1, true),
              QRect(-40, ctrl.rowHeight(), 97 + 97 + 1028, ctrl.rowHeight()));
    const QRect cell = ctrl.GetCellRect(1, 1, true);
    EXPECT_EQ(cell, QRect(57, ctrl.rowHeight(), 97, ctrl.rowHeight()));
    EXPECT_EQ(ctrl.GetCellRect(1, 1, false), cell.adjusted(1, 1, -1, -1));
    EXPECT_EQ(ctrl.columnAt(60), 1);
    EXPECT_EQ(ctrl.rowAt(QPoint(60, ctrl.rowHeight() + 2)), 1);
    EXPECT_EQ(ctrl.rowAt(QPoint(60, 3 * ctrl.rowHeight() + 2)), -1);
    EXPECT_TRUE(ctrl.GetCellRect(1, 3, true).isNull());
    EXPECT_TRUE(ctrl.GetRowRect(3, true).isNull());

    // A section resized by the user moves the cells after it.
    ctrl.header()->resizeSection(0, 150);
    EXPECT_EQ(ctrl.GetCellRect(1, 1, true).left(), 150 - 40);
    EXPECT_EQ(ctrl.horizontalScrollBar()->maximum(), 150 + 97 + 1028 - ctrl.viewport()->width());
}

TEST_F(ColorListGuiTest, InsertRowPlacesTheRowOrRefusesIt)
{
    prependRows(5);
    const QList<QByteArray> row{"t", "h", "m\xE9"};
    EXPECT_EQ(ctrl.InsertRow({"t", "h"}, 0, DEF_TEXT), -1);
    EXPECT_EQ(list.size(), 5);

    EXPECT_EQ(ctrl.InsertRow(row, 0, RED), 0);
    EXPECT_EQ(list.entry(0).message, QByteArrayView("m\xE9"));
    EXPECT_EQ(ctrl.GetCellTextColour(0, 2), 0x0000FFu);

    EXPECT_EQ(ctrl.InsertRow(row, 99, DEF_TEXT), 6);
    EXPECT_EQ(ctrl.InsertRow(row, -1, DEF_TEXT), 7);
    EXPECT_EQ(ctrl.InsertRow(row, 3, DEF_TEXT), 3);
    EXPECT_EQ(list.size(), 9);

    CColorListCtrl unbound;
    EXPECT_EQ(unbound.InsertRow(row, 0, DEF_TEXT), -1);
}

TEST_F(ColorListGuiTest, CellColoursReadAndWrite)
{
    prependRows(1, RED);
    for (int column = 0; column < 3; ++column)
        EXPECT_EQ(ctrl.GetCellTextColour(0, column), 0x0000FFu) << column;
    EXPECT_EQ(ctrl.GetCellTextColour(0, 3), ctrl.ColourValue(DEF_TEXT));
    EXPECT_EQ(ctrl.GetCellTextColour(1, 0), 0u);

    EXPECT_EQ(ctrl.SetCellTextColour(BLUE, 0, 1), 1);
    EXPECT_EQ(ctrl.GetCellTextColour(0, 1), 0xFF0000u);
    EXPECT_EQ(ctrl.GetCellTextColour(0, 0), 0x0000FFu);
    EXPECT_EQ(ctrl.SetCellTextColour(BLUE, 1, 0), 0);
    EXPECT_EQ(ctrl.SetCellTextColour(BLUE, 0, 3), 0);

    EXPECT_EQ(ctrl.SetCellTextColour(99, 0, 2), 1);
    EXPECT_EQ(ctrl.GetCellTextColour(0, 2), kOutOfTableColour);
    EXPECT_EQ(ctrl.ColourValue(25), kOutOfTableColour);
    EXPECT_EQ(ctrl.ColourValue(DEF_BACKGROUND),
              colourValueOf(ctrl.palette().color(QPalette::Base)));
}

TEST_F(ColorListGuiTest, DeleteRowAndDeleteAllRows)
{
    prependRows(3);
    EXPECT_EQ(ctrl.DeleteRow(3), 0);
    EXPECT_EQ(ctrl.DeleteRow(1), 1);
    EXPECT_EQ(list.size(), 2);
    EXPECT_EQ(messageAt(1), messageOf(0));

    EXPECT_EQ(ctrl.DeleteAllRows(), 1);
    EXPECT_EQ(list.size(), 0);
    EXPECT_EQ(ctrl.verticalScrollBar()->maximum(), 0);
    // Emptying the list keeps the columns.
    EXPECT_EQ(ctrl.header()->sectionSize(2), 1028);
    EXPECT_EQ(ctrl.DeleteRow(0), 0);
}

TEST_F(ColorListGuiTest, RowsOnScreenStayPutWhileScrolledAway)
{
    QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::Warning);
    prependRows(100);
    const int visible = ctrl.viewport()->height() / ctrl.rowHeight();
    QScrollBar* bar = ctrl.verticalScrollBar();
    // Arrivals reach the scroll bar at the next refresh tick, not row by row.
    ASSERT_TRUE(QTest::qWaitFor([&] { return bar->maximum() == 100 - visible; }));
    bar->setValue(10);
    ASSERT_EQ(ctrl.topRow(), 10);
    EXPECT_TRUE(ctrl.GetRowRect(9, true).isNull());
    const QByteArray onTop = messageAt(10);

    prependRows(5);
    EXPECT_EQ(ctrl.topRow(), 15);
    EXPECT_EQ(messageAt(ctrl.rowAt(QPoint(5, 1))), onTop);
    // A step on the bar before it has caught up moves from where the rows are, not from where
    // the bar still stands.
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(ctrl.topRow(), 16);
    EXPECT_EQ(bar->value(), 16);
    EXPECT_EQ(bar->maximum(), 105 - visible);
    bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(ctrl.topRow(), 15);
    EXPECT_EQ(messageAt(ctrl.rowAt(QPoint(5, 1))), onTop);

    LogRows batch;
    for (int i = 0; i < 4; ++i)
        batch.prepend({"t", "h", "batch"});
    list.prependAll(std::move(batch));
    EXPECT_EQ(ctrl.topRow(), 19);
    EXPECT_EQ(messageAt(ctrl.topRow()), onTop);

    // A row inserted below the top row moves nothing on top.
    ctrl.InsertRow({"t", "h", "m"}, 25, DEF_TEXT);
    EXPECT_EQ(ctrl.topRow(), 19);

    ctrl.DeleteRow(0);
    EXPECT_EQ(ctrl.topRow(), 18);
    EXPECT_EQ(messageAt(ctrl.topRow()), onTop);
}

TEST_F(ColorListGuiTest, NewRowsShowWhileAtTheTop)
{
    prependRows(100);
    ASSERT_EQ(ctrl.topRow(), 0);
    prependRows(5);
    EXPECT_EQ(ctrl.topRow(), 0);
    EXPECT_EQ(ctrl.verticalScrollBar()->value(), 0);
    EXPECT_EQ(messageAt(ctrl.rowAt(QPoint(5, 1))), messageOf(104));
}

TEST_F(ColorListGuiTest, CurrentRowFollowsInsertionsAndRemovals)
{
    prependRows(20);
    ctrl.setCurrentRow(4);
    prependRows(3);
    EXPECT_EQ(ctrl.currentRow(), 7);
    EXPECT_TRUE(ctrl.isRowSelected(7));
    EXPECT_FALSE(ctrl.isRowSelected(4));

    ctrl.InsertRow({"t", "h", "m"}, 8, DEF_TEXT);
    EXPECT_EQ(ctrl.currentRow(), 7);

    ctrl.DeleteRow(0);
    EXPECT_EQ(ctrl.currentRow(), 6);
    ctrl.DeleteRow(6);
    EXPECT_EQ(ctrl.currentRow(), -1);
    EXPECT_FALSE(ctrl.isRowSelected(6));

    ctrl.setCurrentRow(2);
    ctrl.DeleteAllRows();
    EXPECT_EQ(ctrl.currentRow(), -1);
}

TEST_F(ColorListGuiTest, MouseSelectsWholeRowRanges)
{
    prependRows(6);
    const int h = ctrl.rowHeight();
    QWidget* area = ctrl.viewport();
    QTest::mouseClick(area, Qt::LeftButton, {}, QPoint(20, 2 * h + 2));
    EXPECT_EQ(ctrl.currentRow(), 2);

    QTest::mouseClick(area, Qt::LeftButton, Qt::ShiftModifier, QPoint(300, 5 * h + 2));
    EXPECT_EQ(ctrl.currentRow(), 5);
    for (qsizetype row : {2, 3, 4, 5})
        EXPECT_TRUE(ctrl.isRowSelected(row)) << row;
    EXPECT_FALSE(ctrl.isRowSelected(1));
    EXPECT_FALSE(ctrl.isRowSelected(6));

    QTest::mouseClick(area, Qt::LeftButton, {}, QPoint(20, 3 * h + 2));
    EXPECT_TRUE(ctrl.isRowSelected(3));
    EXPECT_FALSE(ctrl.isRowSelected(2));

    // Below the last row.
    QTest::mouseClick(area, Qt::LeftButton, {}, QPoint(20, area->height() - 2));
    EXPECT_EQ(ctrl.currentRow(), -1);
    EXPECT_FALSE(ctrl.isRowSelected(3));
}

TEST_F(ColorListGuiTest, KeysMoveTheCurrentRowAndKeepItOnScreen)
{
    prependRows(100);
    ctrl.setCurrentRow(0);
    QTest::keyClick(&ctrl, Qt::Key_Down);
    QTest::keyClick(&ctrl, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(ctrl.currentRow(), 2);
    EXPECT_TRUE(ctrl.isRowSelected(1));
    EXPECT_FALSE(ctrl.isRowSelected(0));

    QTest::keyClick(&ctrl, Qt::Key_End);
    EXPECT_EQ(ctrl.currentRow(), 99);
    EXPECT_FALSE(ctrl.isRowSelected(2));
    EXPECT_FALSE(ctrl.GetRowRect(99, true).isNull());
    EXPECT_EQ(ctrl.topRow(), ctrl.verticalScrollBar()->maximum());

    QTest::keyClick(&ctrl, Qt::Key_PageUp);
    const qsizetype afterPage = ctrl.currentRow();
    EXPECT_LT(afterPage, 99);
    EXPECT_FALSE(ctrl.GetRowRect(afterPage, true).isNull());

    QTest::keyClick(&ctrl, Qt::Key_Home, Qt::ShiftModifier);
    EXPECT_EQ(ctrl.currentRow(), 0);
    EXPECT_EQ(ctrl.topRow(), 0);
    EXPECT_TRUE(ctrl.isRowSelected(afterPage));
    EXPECT_FALSE(ctrl.isRowSelected(afterPage + 1));
}

TEST_F(ColorListGuiTest, CellsAreDrawnInTheirOwnTextColour)
{
    list.prepend({"Mar 14 09:26:53", "gateway", "MMMMMMMM", Severity::Emergency});
    const QImage image = ctrl.viewport()->grab().toImage();
    const QRect cell = ctrl.GetCellRect(0, 2, false);
    bool red = false;
    for (int y = cell.top(); y <= cell.bottom() && !red; ++y) {
        for (int x = cell.left(); x <= std::min(cell.right(), image.width() - 1); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 200 && c.green() < 60 && c.blue() < 60) {
                red = true;
                break;
            }
        }
    }
    EXPECT_TRUE(red);
    EXPECT_EQ(fillOf(ctrl, 0, 1), colourOf(DEF_BACKGROUND, ctrl.palette()));
}

TEST_F(ColorListGuiTest, SelectionShowsOnlyWhileFocusedUnlessAskedToStay)
{
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* other = new QLineEdit(&window);
    auto* view = new CColorListCtrl(3, &window);
    layout->addWidget(other);
    layout->addWidget(view);
    view->setList(&list);
    ASSERT_EQ(view->SetupColumns(kCaptions, {20, 20, 60}, 600), CColorListCtrl::SetupDone);
    window.resize(700, 400);
    showActive(window);
    prependRows(10);
    view->setCurrentRow(3);
    const QPalette& palette = view->palette();

    view->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([view] { return view->hasFocus(); }));
    EXPECT_EQ(fillOf(*view, 3, 1), colourOf(DEF_SELBACKGROUND, palette));
    EXPECT_EQ(fillOf(*view, 2, 1), colourOf(DEF_BACKGROUND, palette));

    other->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([view] { return !view->hasFocus(); }));
    EXPECT_EQ(fillOf(*view, 3, 1), colourOf(DEF_BACKGROUND, palette));

    view->setShowSelectionAlways(true);
    EXPECT_EQ(fillOf(*view, 3, 1), colourOf(DEF_DESELBACKGROUND, palette));
    EXPECT_EQ(fillOf(*view, 4, 1), colourOf(DEF_BACKGROUND, palette));
}

TEST_F(ColorListGuiTest, TooltipShowsOnlyForCutOffCells)
{
    const QByteArray longHost(200, 'W');
    list.prepend({"t", "short", "m"});
    list.prepend({"t", longHost, "m"});
    QToolTip::hideText();
    ASSERT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }));

    const auto askTooltip = [this](qsizetype row, int column) {
        const QPoint pos = ctrl.GetCellRect(row, column, false).center();
        QHelpEvent event(QEvent::ToolTip, pos, ctrl.viewport()->mapToGlobal(pos));
        QApplication::sendEvent(ctrl.viewport(), &event);
    };
    askTooltip(1, 1);
    EXPECT_FALSE(QToolTip::isVisible());

    askTooltip(0, 1);
    EXPECT_TRUE(QTest::qWaitFor([] { return QToolTip::isVisible(); }));
    EXPECT_EQ(QToolTip::text(), QString::fromLatin1(longHost));

    askTooltip(1, 1);
    EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }));
}

TEST_F(ColorListGuiTest, UnsettingTheListLeavesAnEmptyControl)
{
    prependRows(30);
    ctrl.verticalScrollBar()->setValue(5);
    ctrl.setList(nullptr);
    EXPECT_EQ(ctrl.list(), nullptr);
    EXPECT_EQ(ctrl.topRow(), 0);
    EXPECT_EQ(ctrl.verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(ctrl.InsertRow({"t", "h", "m"}, 0, DEF_TEXT), -1);

    // The old list no longer drives the control.
    prependRows(5);
    EXPECT_EQ(ctrl.verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(ctrl.rowAt(QPoint(5, 1)), -1);

    auto* transient = new LogList;
    ctrl.setList(transient);
    transient->prepend({"t", "h", "m"});
    EXPECT_EQ(ctrl.rowAt(QPoint(5, 1)), 0);
    delete transient;
    EXPECT_EQ(ctrl.list(), nullptr);
    EXPECT_EQ(ctrl.rowAt(QPoint(5, 1)), -1);
}

} // namespace
} // namespace quendal
