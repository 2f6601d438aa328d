#pragma once

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>

class QAbstractItemModel;

namespace quendal {

class CColorListCtrl;

// What a screen reader sees of a colour list: a table with the shown columns as its column
// headers (captions from the model, in the order on screen, hidden ones left out), one cell per
// row and column with the cell's text, and the list's selection. Cells are made on demand and
// read the model when asked, so the list costs nothing while no screen reader is attached, and
// a flood of rows only moves the texts under cells already handed out.
class ColorListAccessible : public QAccessibleWidget, public QAccessibleTableInterface
{
public:
    explicit ColorListAccessible(CColorListCtrl* list);
    ~ColorListAccessible() override;

    // Makes every colour list answer with this interface; repeated calls do nothing.
    static void install();
    // Tells a screen reader, when one listens, that the list's current row has moved.
    static void currentRowMoved(CColorListCtrl* list);

    CColorListCtrl* list() const;
    // The model column shown in accessible column `column`, -1 for none.
    int modelColumn(int column) const;
    QString cellText(int row, int column) const;
    QString headerText(int column) const;
    QAbstractItemModel* model() const;

    // QAccessibleInterface
    void* interface_cast(QAccessible::InterfaceType type) override;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessible::State state() const override;

    // QAccessibleTableInterface
    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override;
    int selectedCellCount() const override;
    QList<QAccessibleInterface*> selectedCells() const override;
    QString columnDescription(int column) const override { return headerText(column); }
    QString rowDescription(int) const override { return {}; }
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override;
    int columnCount() const override;
    int rowCount() const override;
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override;
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int row) const override;
    bool selectRow(int row) override;
    bool selectColumn(int) override { return false; }
    bool unselectRow(int row) override;
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent*) override { forgetCells(); }

    QAccessibleInterface* headerCell(int column) const;

private:
    // Rows with cells among the children: those on screen.
    int firstChildRow() const;
    int childRows() const;
    void forgetCells() const;

    // Cells handed out, by row and column; forgotten when the model changes or they grow many.
    mutable QHash<quint64, QAccessible::Id> cells_;
    mutable QHash<int, QAccessible::Id> headers_;
    mutable QPointer<QAbstractItemModel> cellsModel_;
};

} // namespace quendal
