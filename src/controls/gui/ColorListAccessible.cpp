#include "controls/gui/ColorListAccessible.h"

#include "controls/gui/CColorListCtrl.h"

#include <QAbstractItemModel>
#include <QHeaderView>

#include <algorithm>
#include <utility>

namespace quendal {
namespace {

// Beyond this many cells handed out, the oldest are not worth keeping apart: all go.
constexpr int kMaxCells = 4096;

ColorListAccessible* tableOf(CColorListCtrl* list)
{
    return list ? static_cast<ColorListAccessible*>(QAccessible::queryAccessibleInterface(list))
                : nullptr;
}

// What a cell and a column header share: a leaf of the list's table, read-only.
class ListLeaf : public QAccessibleInterface
{
public:
    explicit ListLeaf(CColorListCtrl* list) : list_(list) {}

    QObject* object() const override { return nullptr; }
    QWindow* window() const override
    {
        const ColorListAccessible* table = tableOf(list_);
        return table ? table->window() : nullptr;
    }
    QAccessibleInterface* parent() const override { return tableOf(list_); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    void setText(QAccessible::Text, const QString&) override {}

protected:
    QPointer<CColorListCtrl> list_;
};

// One cell: its text is read from the model whenever asked.
class ListCell : public ListLeaf, public QAccessibleTableCellInterface
{
public:
    ListCell(CColorListCtrl* list, int row, int column) : ListLeaf(list), row_(row), column_(column)
    {}

    bool isValid() const override
    {
        const ColorListAccessible* table = tableOf(list_);
        return table && row_ < table->rowCount() && column_ < table->columnCount();
    }
    QAccessible::Role role() const override { return QAccessible::Cell; }

    QString text(QAccessible::Text t) const override
    {
        const ColorListAccessible* table = tableOf(list_);
        if (!table || (t != QAccessible::Name && t != QAccessible::Value))
            return {};
        return table->cellText(row_, column_);
    }

    QAccessible::State state() const override
    {
        QAccessible::State s;
        s.selectable = true;
        s.focusable = true;
        if (!list_ || !isValid()) {
            s.invalid = true;
            return s;
        }
        s.selected = list_->isRowSelected(row_);
        s.focused = list_->hasFocus() && list_->currentRow() == row_;
        if (rect().isEmpty()) {
            s.invisible = true;
            s.offscreen = true;
        }
        return s;
    }

    QRect rect() const override
    {
        const ColorListAccessible* table = tableOf(list_);
        const int column = table ? table->modelColumn(column_) : -1;
        if (column < 0)
            return {};
        const QRect cell = list_->GetCellRect(row_, column, true);
        if (cell.isNull())
            return {};
        return QRect(list_->viewport()->mapToGlobal(cell.topLeft()), cell.size());
    }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TableCellInterface)
            return static_cast<QAccessibleTableCellInterface*>(this);
        return nullptr;
    }

    bool isSelected() const override { return list_ && list_->isRowSelected(row_); }
    QList<QAccessibleInterface*> columnHeaderCells() const override
    {
        const ColorListAccessible* table = tableOf(list_);
        if (QAccessibleInterface* header = table ? table->headerCell(column_) : nullptr)
            return {header};
        return {};
    }
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return column_; }
    int rowIndex() const override { return row_; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override { return tableOf(list_); }

private:
    int row_;
    int column_;
};

// A column's header, with the caption the model gives it.
class ListHeaderCell : public ListLeaf
{
public:
    ListHeaderCell(CColorListCtrl* list, int column) : ListLeaf(list), column_(column) {}

    bool isValid() const override
    {
        const ColorListAccessible* table = tableOf(list_);
        return table && column_ < table->columnCount();
    }
    QAccessible::Role role() const override { return QAccessible::ColumnHeader; }
    QString text(QAccessible::Text t) const override
    {
        const ColorListAccessible* table = tableOf(list_);
        return table && t == QAccessible::Name ? table->headerText(column_) : QString();
    }
    QAccessible::State state() const override { return {}; }
    QRect rect() const override
    {
        const ColorListAccessible* table = tableOf(list_);
        const int column = table ? table->modelColumn(column_) : -1;
        if (column < 0)
            return {};
        QHeaderView* header = list_->header();
        const QRect section(header->sectionViewportPosition(column), 0, header->sectionSize(column),
                            header->height());
        return QRect(header->viewport()->mapToGlobal(section.topLeft()), section.size());
    }

private:
    int column_;
};

QAccessibleInterface* colorListFactory(const QString& key, QObject* object)
{
    if (key == QLatin1String("quendal::CColorListCtrl"))
        if (auto* list = qobject_cast<CColorListCtrl*>(object))
            return new ColorListAccessible(list);
    return nullptr;
}

} // namespace

ColorListAccessible::ColorListAccessible(CColorListCtrl* list)
    : QAccessibleWidget(list, QAccessible::Table)
{}

ColorListAccessible::~ColorListAccessible()
{
    forgetCells();
}

void ColorListAccessible::install()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(colorListFactory);
}

void ColorListAccessible::currentRowMoved(CColorListCtrl* list)
{
    if (!QAccessible::isActive() || list->currentRow() < 0)
        return;
    ColorListAccessible* table = tableOf(list);
    QAccessibleInterface* cell = table ? table->cellAt(int(list->currentRow()), 0) : nullptr;
    if (!cell)
        return;
    QAccessibleEvent selection(cell, QAccessible::SelectionAdd);
    QAccessible::updateAccessibility(&selection);
    if (list->hasFocus()) {
        QAccessibleEvent focus(cell, QAccessible::Focus);
        QAccessible::updateAccessibility(&focus);
    }
}

CColorListCtrl* ColorListAccessible::list() const
{
    return static_cast<CColorListCtrl*>(widget());
}

QAbstractItemModel* ColorListAccessible::model() const
{
    return list()->displayModel();
}

void* ColorListAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TableInterface)
        return static_cast<QAccessibleTableInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QAccessible::State ColorListAccessible::state() const
{
    QAccessible::State s = QAccessibleWidget::state();
    s.multiSelectable = true;
    return s;
}

int ColorListAccessible::modelColumn(int column) const
{
    QHeaderView* header = list()->header();
    int shown = 0;
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        if (header->isSectionHidden(logical))
            continue;
        if (shown++ == column)
            return logical;
    }
    return -1;
}

int ColorListAccessible::columnCount() const
{
    QHeaderView* header = list()->header();
    return header->count() - header->hiddenSectionCount();
}

int ColorListAccessible::rowCount() const
{
    const QAbstractItemModel* m = model();
    return m ? m->rowCount() : 0;
}

QString ColorListAccessible::cellText(int row, int column) const
{
    const QAbstractItemModel* m = model();
    const int logical = modelColumn(column);
    if (!m || logical < 0 || row < 0 || row >= m->rowCount() || logical >= m->columnCount())
        return {};
    // One line, as the cell shows it.
    QString text = m->data(m->index(row, logical), Qt::DisplayRole).toString();
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

QString ColorListAccessible::headerText(int column) const
{
    QHeaderView* header = list()->header();
    const int logical = modelColumn(column);
    if (logical < 0)
        return {};
    const QAbstractItemModel* m = header->model() ? header->model() : model();
    return m ? m->headerData(logical, Qt::Horizontal, Qt::DisplayRole).toString() : QString();
}

void ColorListAccessible::forgetCells() const
{
    for (QAccessible::Id id : std::as_const(cells_))
        QAccessible::deleteAccessibleInterface(id);
    for (QAccessible::Id id : std::as_const(headers_))
        QAccessible::deleteAccessibleInterface(id);
    cells_.clear();
    headers_.clear();
}

QAccessibleInterface* ColorListAccessible::cellAt(int row, int column) const
{
    if (row < 0 || column < 0 || row >= rowCount() || column >= columnCount())
        return nullptr;
    if (cellsModel_ != model() || cells_.size() >= kMaxCells) {
        forgetCells();
        cellsModel_ = model();
    }
    const quint64 key = (quint64(quint32(row)) << 32) | quint32(column);
    if (const auto found = cells_.constFind(key); found != cells_.constEnd())
        return QAccessible::accessibleInterface(*found);
    auto* cell = new ListCell(list(), row, column);
    cells_.insert(key, QAccessible::registerAccessibleInterface(cell));
    return cell;
}

QAccessibleInterface* ColorListAccessible::headerCell(int column) const
{
    if (column < 0 || column >= columnCount())
        return nullptr;
    if (const auto found = headers_.constFind(column); found != headers_.constEnd())
        return QAccessible::accessibleInterface(*found);
    auto* cell = new ListHeaderCell(list(), column);
    headers_.insert(column, QAccessible::registerAccessibleInterface(cell));
    return cell;
}

int ColorListAccessible::firstChildRow() const
{
    return int(std::clamp<qsizetype>(list()->topRow(), 0, std::max(0, rowCount() - 1)));
}

int ColorListAccessible::childRows() const
{
    const int height = std::max(1, list()->rowHeight());
    const int onScreen = list()->viewport()->height() / height + 1;
    return std::clamp(rowCount() - firstChildRow(), 0, onScreen);
}

int ColorListAccessible::childCount() const
{
    const int columns = columnCount();
    return columns + childRows() * columns;
}

QAccessibleInterface* ColorListAccessible::child(int index) const
{
    const int columns = columnCount();
    if (index < 0 || columns == 0)
        return nullptr;
    if (index < columns)
        return headerCell(index);
    index -= columns;
    if (index / columns >= childRows())
        return nullptr;
    return cellAt(firstChildRow() + index / columns, index % columns);
}

int ColorListAccessible::indexOfChild(const QAccessibleInterface* child) const
{
    if (!child)
        return -1;
    const int columns = columnCount();
    if (child->role() == QAccessible::ColumnHeader) {
        for (int c = 0; c < columns; ++c)
            if (headers_.value(c) ==
                QAccessible::uniqueId(const_cast<QAccessibleInterface*>(child)))
                return c;
        return -1;
    }
    auto* cell = const_cast<QAccessibleInterface*>(child)->tableCellInterface();
    if (!cell)
        return -1;
    const int row = cell->rowIndex() - firstChildRow();
    if (row < 0 || row >= childRows())
        return -1;
    return columns + row * columns + cell->columnIndex();
}

QAccessibleInterface* ColorListAccessible::childAt(int x, int y) const
{
    const QPoint at = list()->viewport()->mapFromGlobal(QPoint(x, y));
    const qsizetype row = list()->rowAt(at);
    const int logical = list()->columnAt(at.x());
    if (row < 0 || logical < 0)
        return nullptr;
    for (int c = 0; c < columnCount(); ++c)
        if (modelColumn(c) == logical)
            return cellAt(int(row), c);
    return nullptr;
}

int ColorListAccessible::selectedRowCount() const
{
    const auto [first, last] = list()->selectedRange();
    return first < 0 ? 0 : int(last - first + 1);
}

QList<int> ColorListAccessible::selectedRows() const
{
    QList<int> rows;
    const auto [first, last] = list()->selectedRange();
    // A screen reader asks for the selection as it moves; a select-all of a long list is told
    // by its count, not listed row by row.
    for (qsizetype row = first; first >= 0 && row <= last && rows.size() < 1000; ++row)
        rows << int(row);
    return rows;
}

bool ColorListAccessible::isRowSelected(int row) const
{
    return list()->isRowSelected(row);
}

int ColorListAccessible::selectedCellCount() const
{
    return selectedRowCount() * columnCount();
}

QList<QAccessibleInterface*> ColorListAccessible::selectedCells() const
{
    QList<QAccessibleInterface*> cells;
    for (int row : selectedRows())
        for (int c = 0; c < columnCount(); ++c)
            cells << cellAt(row, c);
    return cells;
}

bool ColorListAccessible::selectRow(int row)
{
    if (row < 0 || row >= rowCount())
        return false;
    list()->setCurrentRow(row);
    return true;
}

bool ColorListAccessible::unselectRow(int row)
{
    if (!list()->isRowSelected(row))
        return false;
    list()->clearSelection();
    return true;
}

} // namespace quendal
