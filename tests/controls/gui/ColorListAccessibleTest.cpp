#include "controls/gui/ColorListAccessible.h"

#include "controls/gui/CColorListCtrl.h"
#include "logs/core/LogList.h"

#include <QAccessible>
#include <QHeaderView>
#include <QTest>

#include <gtest/gtest.h>

namespace quendal {
namespace {

// What a screen reader asks of a colour list, asked in-process: the same interface the AT-SPI
// bridge hands on.
class ColorListAccessibleTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ctrl.resize(700, 300);
        ctrl.setList(&list);
        ASSERT_EQ(ctrl.SetupColumns(
                      {QStringLiteral("Time"), QStringLiteral("Host"), QStringLiteral("Message")},
                      {8, 8, 84}, 1224),
                  CColorListCtrl::SetupDone);
        ctrl.setAccessibleName(QStringLiteral("FireWall Log"));
        list.prepend({"Mar 14 09:26:51", "gw", "older", Severity::Unknown});
        list.prepend({"Mar 14 09:26:53", "10.0.0.1", "newer\nsecond line", Severity::Emergency});
        ctrl.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&ctrl));
        iface = QAccessible::queryAccessibleInterface(&ctrl);
        ASSERT_NE(iface, nullptr);
        table = iface->tableInterface();
        ASSERT_NE(table, nullptr);
    }

    LogList list;
    CColorListCtrl ctrl;
    QAccessibleInterface* iface = nullptr;
    QAccessibleTableInterface* table = nullptr;
};

TEST_F(ColorListAccessibleTest, ATableOfHeadersRowsAndCellsWithTheirTexts)
{
    EXPECT_EQ(iface->role(), QAccessible::Table);
    EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("FireWall Log"));
    ASSERT_EQ(table->columnCount(), 3);
    EXPECT_EQ(table->rowCount(), 2);
    EXPECT_EQ(table->columnDescription(0), QStringLiteral("Time"));
    EXPECT_EQ(table->columnDescription(2), QStringLiteral("Message"));

    QAccessibleInterface* cell = table->cellAt(0, 2);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->role(), QAccessible::Cell);
    EXPECT_EQ(cell->text(QAccessible::Name), QStringLiteral("newer second line"));
    EXPECT_EQ(table->cellAt(1, 1)->text(QAccessible::Name), QStringLiteral("gw"));
    EXPECT_EQ(table->cellAt(2, 0), nullptr);
    QAccessibleTableCellInterface* place = cell->tableCellInterface();
    ASSERT_NE(place, nullptr);
    EXPECT_EQ(place->rowIndex(), 0);
    ASSERT_EQ(place->columnHeaderCells().size(), 1);
    EXPECT_EQ(place->columnHeaderCells().front()->text(QAccessible::Name),
              QStringLiteral("Message"));
    EXPECT_FALSE(cell->rect().isEmpty());
    // The same cell is handed out again, and is found among the children of the table.
    EXPECT_EQ(table->cellAt(0, 2), cell);
    EXPECT_EQ(iface->child(iface->indexOfChild(cell)), cell);
    EXPECT_EQ(iface->child(0)->role(), QAccessible::ColumnHeader);

    // A column hidden on screen is not read; a new row on top moves the texts under the cells.
    ctrl.header()->hideSection(1);
    EXPECT_EQ(table->columnCount(), 2);
    EXPECT_EQ(table->columnDescription(1), QStringLiteral("Message"));
    list.prepend({"Mar 14 09:26:55", "gw", "newest", Severity::Unknown});
    EXPECT_EQ(table->rowCount(), 3);
    EXPECT_EQ(table->cellAt(0, 1)->text(QAccessible::Name), QStringLiteral("newest"));
}

TEST_F(ColorListAccessibleTest, TheSelectionIsTheListsAndCanBeSetThroughIt)
{
    EXPECT_EQ(table->selectedRowCount(), 0);
    ctrl.setCurrentRow(1);
    EXPECT_EQ(table->selectedRows(), QList<int>{1});
    EXPECT_TRUE(table->isRowSelected(1));
    EXPECT_TRUE(table->cellAt(1, 0)->state().selected);
    EXPECT_FALSE(table->cellAt(0, 0)->state().selected);

    EXPECT_TRUE(table->selectRow(0));
    EXPECT_EQ(ctrl.currentRow(), 0);
    EXPECT_EQ(table->selectedCellCount(), 3);
    EXPECT_TRUE(table->unselectRow(0));
    EXPECT_EQ(ctrl.currentRow(), -1);
}

} // namespace
} // namespace quendal
