// The list control's columns, rows on screen and scroll bars.
#include "controls/gui/CColorListCtrl.h"
#include "logs/core/LogList.h"

#include <QHeaderView>
#include <QScrollBar>

#include <algorithm>
#include <limits>

namespace quendal {
namespace {

// Space above and below the text of a row.
constexpr int kRowPadding = 4;

int toScrollValue(qsizetype value)
{
    return int(std::clamp<qsizetype>(value, 0, std::numeric_limits<int>::max()));
}

} // namespace

int CColorListCtrl::SetupColumns(const QStringList& captions, const QList<quint8>& widths,
                                 int totalWidth)
{
    if (captions.isEmpty() || widths.isEmpty())
        return SetupMissing;
    if (captions.size() != columnCount_)
        return SetupCaptionCount;
    if (widths.size() != captions.size())
        return SetupWidthCount;
    int sum = 0;
    for (quint8 w : widths)
        sum += w;
    if (columnCount_ == 0 || sum != 100)
        return SetupBadWidths;

    captions_ = captions;
    for (int i = 0; i < columnCount_; ++i)
        widths_[i] = int(qint64(totalWidth) * widths.at(i) / 100);
    if (list_)
        list_->setColumnCaptions(captions_);
    applyColumnsToHeader();
    updateGeometries();
    viewport()->update();
    return SetupDone;
}

int CColorListCtrl::columnWidth(int column) const
{
    return column >= 0 && column < columnCount_ ? widths_.at(column) : 0;
}

void CColorListCtrl::setColumnWidth(int column, int width)
{
    if (column < 0 || column >= columnCount_ || width < 0)
        return;
    widths_[column] = width;
    applyColumnsToHeader();
    syncScrollBars();
    viewport()->update();
}

void CColorListCtrl::setStretchLastColumn(bool on)
{
    header_->setStretchLastSection(on);
    updateGeometries();
}

void CColorListCtrl::setColumnHidden(int column, bool hidden)
{
    if (column < 0 || column >= columnCount_ || hidden_.at(column) == hidden)
        return;
    hidden_[column] = hidden;
    applyColumnsToHeader();
    syncScrollBars();
    viewport()->update();
}

bool CColorListCtrl::isColumnHidden(int column) const
{
    return column < 0 || column >= columnCount_ || hidden_.at(column);
}

void CColorListCtrl::setColumnOrder(const QList<int>& columns)
{
    QList<int> sorted = columns;
    std::sort(sorted.begin(), sorted.end());
    for (int i = 0; i < columnCount_; ++i) {
        if (sorted.size() != columnCount_ || sorted.at(i) != i)
            return;
    }
    order_ = columns;
    applyColumnsToHeader();
    syncScrollBars();
    viewport()->update();
}

QList<int> CColorListCtrl::shownColumns() const
{
    QList<int> shown;
    for (int column : order_) {
        if (!hidden_.at(column))
            shown.append(column);
    }
    return shown;
}

int CColorListCtrl::stretchedColumn() const
{
    const QList<int> shown = shownColumns();
    return header_->stretchLastSection() && !shown.isEmpty() ? shown.last() : -1;
}

QRect CColorListCtrl::GetRowRect(qsizetype row, bool full) const
{
    if (row < 0 || row >= rowCountInList() || !isRowOnScreen(row))
        return {};
    const QRect rect(-horizontalScrollBar()->value(), int(row - top_) * rowHeight_,
                     totalColumnWidth(), rowHeight_);
    return full ? rect : rect.adjusted(1, 1, -1, -1);
}

QRect CColorListCtrl::GetCellRect(qsizetype row, int column, bool full) const
{
    if (isColumnHidden(column))
        return {};
    const QRect rowRect = GetRowRect(row, true);
    if (rowRect.isNull())
        return {};
    const QRect rect(rowRect.left() + columnLeft(column), rowRect.top(), widths_.at(column),
                     rowHeight_);
    return full ? rect : rect.adjusted(1, 1, -1, -1);
}

qsizetype CColorListCtrl::topRow() const
{
    return top_;
}

qsizetype CColorListCtrl::rowAt(const QPoint& viewportPoint) const
{
    if (viewportPoint.y() < 0 || viewportPoint.y() >= viewport()->height() ||
        columnAt(viewportPoint.x()) < 0)
        return -1;
    const qsizetype row = top_ + viewportPoint.y() / rowHeight_;
    return row < rowCountInList() ? row : -1;
}

int CColorListCtrl::columnAt(int viewportX) const
{
    const int x = viewportX + horizontalScrollBar()->value();
    if (x < 0)
        return -1;
    int left = 0;
    for (int column : shownColumns()) {
        left += widths_.at(column);
        if (x < left)
            return column;
    }
    return -1;
}

void CColorListCtrl::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateGeometries();
    if (painted_)
        update();
}

void CColorListCtrl::scrollContentsBy(int dx, int dy)
{
    if (dx != 0)
        header_->setOffset(horizontalScrollBar()->value());
    if (dy != 0 && !syncingScrollBars_) {
        // While the bar lags behind arrivals it counts rows from where it last stood.
        const qsizetype shift = scrollBarsStale_ ? top_ - syncedTop_ : 0;
        top_ = std::clamp<qsizetype>(verticalScrollBar()->value() + shift, 0,
                                     std::max<qsizetype>(0, rowCountInList() - fullyVisibleRows()));
        if (scrollBarsStale_)
            syncScrollBars();
        syncedTop_ = top_;
    }
    // A bar that only catches up with rows kept in place changes nothing on screen; whoever moves
    // the rows while syncing repaints.
    if (dx != 0 || !syncingScrollBars_)
        viewport()->update();
}

void CColorListCtrl::onSectionResized(int logicalIndex, int newSize)
{
    // A hidden column keeps its width for when it is shown again.
    if (logicalIndex < 0 || logicalIndex >= columnCount_ || hidden_.at(logicalIndex) ||
        widths_.at(logicalIndex) == newSize)
        return;
    widths_[logicalIndex] = newSize;
    syncScrollBars();
    viewport()->update();
}

void CColorListCtrl::applyColumnsToHeader()
{
    const int sections = header_->count();
    // Widths first: a hidden section keeps its width for when it is shown, so showing it reports
    // the width it has here. A stretched last column takes its width from the view.
    const int stretched = stretchedColumn();
    for (int i = 0; i < std::min(sections, columnCount_); ++i) {
        if (i != stretched && (hidden_.at(i) || header_->sectionSize(i) != widths_.at(i)))
            header_->resizeSection(i, widths_.at(i));
    }
    // The model may have more columns than this control shows.
    for (int i = 0; i < sections; ++i)
        header_->setSectionHidden(i, i >= columnCount_ || hidden_.at(i));
    if (sections >= columnCount_) {
        for (int visual = 0; visual < columnCount_; ++visual) {
            const int from = header_->visualIndex(order_.at(visual));
            if (from != visual)
                header_->moveSection(from, visual);
        }
    }
}

void CColorListCtrl::updateRowHeight()
{
    rowHeight_ = std::max(1, fontMetrics().height() + kRowPadding);
}

void CColorListCtrl::updateGeometries()
{
    const int headerHeight = header_->isHidden() ? 0 : header_->sizeHint().height();
    setViewportMargins(0, headerHeight, 0, 0);
    const QRect area = viewport()->geometry();
    header_->setGeometry(area.left(), area.top() - headerHeight, area.width(), headerHeight);
    const qsizetype topBefore = top_;
    top_ = std::min(top_, std::max<qsizetype>(0, rowCountInList() - fullyVisibleRows()));
    syncScrollBars();
    if (top_ != topBefore)
        viewport()->update();
}

void CColorListCtrl::syncScrollBars()
{
    syncingScrollBars_ = true;
    const qsizetype visible = fullyVisibleRows();
    QScrollBar* vertical = verticalScrollBar();
    vertical->setPageStep(toScrollValue(visible));
    vertical->setRange(0, toScrollValue(rowCountInList() - visible));
    vertical->setValue(toScrollValue(top_));
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setPageStep(viewport()->width());
    horizontal->setRange(0, std::max(0, totalColumnWidth() - viewport()->width()));
    header_->setOffset(horizontal->value());
    syncingScrollBars_ = false;
    scrollBarsStale_ = false;
    syncedTop_ = top_;
}

void CColorListCtrl::ensureRowVisible(qsizetype row)
{
    const qsizetype visible = fullyVisibleRows();
    if (row < top_)
        top_ = row;
    else if (row >= top_ + visible)
        top_ = row - visible + 1;
    else
        return;
    top_ = std::clamp<qsizetype>(top_, 0, std::max<qsizetype>(0, rowCountInList() - visible));
    syncScrollBars();
    viewport()->update();
}

qsizetype CColorListCtrl::rowCountInList() const
{
    const QAbstractItemModel* model = displayModel();
    return model ? model->rowCount() : 0;
}

qsizetype CColorListCtrl::fullyVisibleRows() const
{
    return std::max(1, viewport()->height() / rowHeight_);
}

qsizetype CColorListCtrl::touchedRows() const
{
    return (viewport()->height() + rowHeight_ - 1) / rowHeight_;
}

bool CColorListCtrl::isRowOnScreen(qsizetype row) const
{
    return row >= top_ && row < top_ + touchedRows();
}

int CColorListCtrl::totalColumnWidth() const
{
    int total = 0;
    for (int column : shownColumns())
        total += widths_.at(column);
    return total;
}

int CColorListCtrl::columnLeft(int column) const
{
    int left = 0;
    for (int shown : shownColumns()) {
        if (shown == column)
            break;
        left += widths_.at(shown);
    }
    return left;
}

} // namespace quendal
