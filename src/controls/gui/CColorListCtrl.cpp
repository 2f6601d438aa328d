#include "controls/gui/CColorListCtrl.h"

#include "controls/gui/ColourPalette.h"
#include "logs/core/LogList.h"

#include <QFocusEvent>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QToolTip>

#include <algorithm>
#include <limits>

namespace quendal {
namespace {

// Space above and below the text of a row.
constexpr int kRowPadding = 4;
// Where a cell's text starts, from the cell's left edge (the grid line and a small gap).
constexpr int kTextIndent = 2;
// Pixels a horizontal scroll step moves.
constexpr int kHorizontalStep = 20;
// How often arriving rows are shown: about 30 times a second, smooth to the eye and cheap.
constexpr int kRefreshIntervalMs = 33;

// Messages may carry line feeds, tabs and other control characters; on one line they show as
// blanks. A cell shows no more characters than it has pixels, so a long message is cut first
// instead of being laid out whole at every paint.
QString singleLine(QString text, qsizetype maxLength = -1)
{
    if (maxLength >= 0 && text.size() > maxLength) {
        if (maxLength > 0 && text.at(maxLength - 1).isHighSurrogate())
            --maxLength;
        text.truncate(maxLength);
    }
    const auto isControl = [](QChar c) {
        const char16_t u = c.unicode();
        return u < 0x20 || u == 0x7F || (u >= 0x80 && u < 0xA0) || u == 0x2028 || u == 0x2029;
    };
    if (std::none_of(text.cbegin(), text.cend(), isControl))
        return text;
    for (QChar& c : text) {
        if (isControl(c))
            c = QLatin1Char(' ');
    }
    return text;
}

int toScrollValue(qsizetype value)
{
    return int(std::clamp<qsizetype>(value, 0, std::numeric_limits<int>::max()));
}

} // namespace

CColorListCtrl::CColorListCtrl(int columnCount, QWidget* parent)
    : QAbstractScrollArea(parent), columnCount_(std::max(0, columnCount))
{
    header_ = new QHeaderView(Qt::Horizontal, this);
    header_->setSectionResizeMode(QHeaderView::Interactive);
    header_->setStretchLastSection(false);
    header_->setHighlightSections(false);
    header_->setSectionsClickable(false);
    header_->setFocusPolicy(Qt::NoFocus);
    widths_.fill(header_->defaultSectionSize(), columnCount_);
    connect(
        header_, &QHeaderView::sectionResized, this,
        [this](int logicalIndex, int, int newSize) { onSectionResized(logicalIndex, newSize); });

    setFocusPolicy(Qt::StrongFocus);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    verticalScrollBar()->setSingleStep(1);
    horizontalScrollBar()->setSingleStep(kHorizontalStep);
    refreshTimer_ = new QTimer(this);
    refreshTimer_->setSingleShot(true);
    refreshTimer_->setInterval(kRefreshIntervalMs);
    connect(refreshTimer_, &QTimer::timeout, this, &CColorListCtrl::refreshNow);
    updateRowHeight();
    updateGeometries();
}

CColorListCtrl::~CColorListCtrl()
{
    if (list_)
        disconnect(list_, nullptr, this, nullptr);
}

void CColorListCtrl::setList(LogList* list)
{
    if (list == list_)
        return;
    if (list_)
        disconnect(list_, nullptr, this, nullptr);
    if (shown_)
        disconnect(shown_, nullptr, this, nullptr);
    shown_ = nullptr;
    list_ = list;
    header_->setModel(list);
    if (list) {
        connect(list, &QObject::destroyed, this, [this] {
            list_ = nullptr;
            onModelReset();
        });
        if (!captions_.isEmpty())
            list->setColumnCaptions(captions_);
        applyColumnsToHeader();
    }
    connectModel(list);
}

void CColorListCtrl::setDisplayModel(QAbstractItemModel* model)
{
    if (model == shown_)
        return;
    if (shown_)
        disconnect(shown_, nullptr, this, nullptr);
    if (list_)
        disconnect(list_, nullptr, this, nullptr);
    shown_ = model;
    if (list_)
        connect(list_, &QObject::destroyed, this, [this] {
            list_ = nullptr;
            onModelReset();
        });
    if (model)
        connect(model, &QObject::destroyed, this, [this] {
            shown_ = nullptr;
            connectModel(list_);
        });
    connectModel(model ? model : static_cast<QAbstractItemModel*>(list_.data()));
}

QAbstractItemModel* CColorListCtrl::displayModel() const
{
    if (shown_)
        return shown_;
    return list_;
}

void CColorListCtrl::connectModel(QAbstractItemModel* list)
{
    top_ = 0;
    current_ = -1;
    anchor_ = -1;
    if (list) {
        connect(list, &QAbstractItemModel::rowsInserted, this,
                [this](const QModelIndex& parent, int first, int last) {
                    if (!parent.isValid())
                        onRowsInserted(first, last);
                });
        connect(list, &QAbstractItemModel::rowsRemoved, this,
                [this](const QModelIndex& parent, int first, int last) {
                    if (!parent.isValid())
                        onRowsRemoved(first, last);
                });
        connect(list, &QAbstractItemModel::modelReset, this, &CColorListCtrl::onModelReset);
        connect(list, &QAbstractItemModel::layoutChanged, this, [this] {
            top_ = std::min(top_, std::max<qsizetype>(0, rowCountInList() - fullyVisibleRows()));
            syncScrollBars();
            viewport()->update();
        });
        connect(list, &QAbstractItemModel::dataChanged, this,
                [this](const QModelIndex& topLeft, const QModelIndex& bottomRight) {
                    onDataChanged(topLeft.row(), bottomRight.row());
                });
    }
    syncScrollBars();
    updateGeometries();
    viewport()->update();
}

LogList* CColorListCtrl::list() const
{
    return list_;
}

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

qsizetype CColorListCtrl::InsertRow(const QList<QByteArray>& texts, qsizetype row, int colour)
{
    if (!list_ || texts.size() != columnCount_)
        return -1;
    const auto text = [&texts](int column) {
        return column < texts.size() ? QByteArrayView(texts.at(column)) : QByteArrayView();
    };
    const LogEntryView entry{text(LogList::TimeColumn), text(LogList::HostColumn),
                             text(LogList::MessageColumn), colour};
    const qsizetype at = (row < 0 || row > list_->size()) ? list_->size() : row;
    return list_->insert(at, entry);
}

int CColorListCtrl::SetCellTextColour(int colour, qsizetype row, int column)
{
    if (!list_ || column < 0 || column >= columnCount_)
        return 0;
    return list_->setTextColour(row, column, colour) ? 1 : 0;
}

ColourValue24 CColorListCtrl::GetCellTextColour(qsizetype row, int column) const
{
    if (!list_ || row < 0 || row >= list_->size())
        return 0;
    if (column < 0 || column >= columnCount_ || column >= LogRows::kColumnCount)
        return ColourValue(DEF_TEXT);
    return ColourValue(list_->rows().textColour(row, column));
}

int CColorListCtrl::DeleteRow(qsizetype row)
{
    if (!list_)
        return 0;
    return list_->remove(row) ? 1 : 0;
}

int CColorListCtrl::DeleteAllRows()
{
    if (list_)
        list_->clear();
    return 1;
}

ColourValue24 CColorListCtrl::ColourValue(int index) const
{
    return colourValue(index, palette());
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
    if (column < 0 || column >= columnCount_)
        return {};
    const QRect rowRect = GetRowRect(row, true);
    if (rowRect.isNull())
        return {};
    const QRect rect(rowRect.left() + columnLeft(column), rowRect.top(), widths_.at(column),
                     rowHeight_);
    return full ? rect : rect.adjusted(1, 1, -1, -1);
}

void CColorListCtrl::RepaintSelection()
{
    const QRect current = GetRowRect(current_, true);
    if (!current.isNull())
        viewport()->repaint(current);
    if (showSelectionAlways_) {
        const QRect selected = selectionOnScreen();
        if (!selected.isNull())
            viewport()->repaint(selected);
    }
}

void CColorListCtrl::setShowSelectionAlways(bool on)
{
    if (showSelectionAlways_ == on)
        return;
    showSelectionAlways_ = on;
    viewport()->update();
}

void CColorListCtrl::setCurrentRow(qsizetype row)
{
    if (row < 0 || row >= rowCountInList()) {
        clearSelection();
        return;
    }
    moveCurrent(row, false);
}

bool CColorListCtrl::isRowSelected(qsizetype row) const
{
    if (anchor_ < 0 || current_ < 0)
        return false;
    return row >= std::min(anchor_, current_) && row <= std::max(anchor_, current_);
}

std::pair<qsizetype, qsizetype> CColorListCtrl::selectedRange() const
{
    if (anchor_ < 0 || current_ < 0)
        return {-1, -1};
    return {std::min(anchor_, current_), std::max(anchor_, current_)};
}

void CColorListCtrl::mouseDoubleClickEvent(QMouseEvent* event)
{
    const qsizetype row = rowAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && row >= 0) {
        moveCurrent(row, false);
        Q_EMIT rowActivated(row);
        return;
    }
    QAbstractScrollArea::mouseDoubleClickEvent(event);
}

void CColorListCtrl::clearSelection()
{
    if (current_ < 0 && anchor_ < 0)
        return;
    current_ = -1;
    anchor_ = -1;
    viewport()->update();
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
    for (int column = 0; column < columnCount_; ++column) {
        left += widths_.at(column);
        if (x < left)
            return column;
    }
    return -1;
}

void CColorListCtrl::paintEvent(QPaintEvent* event)
{
    painted_ = true;
    QPainter painter(viewport());
    const QPalette& pal = palette();
    const QRect area = event->rect();
    painter.fillRect(area, colourOf(DEF_BACKGROUND, pal));
    const QAbstractItemModel* model = displayModel();
    if (!model || columnCount_ == 0)
        return;

    const qsizetype rows = rowCountInList();
    const qsizetype first = top_ + std::max(0, area.top()) / rowHeight_;
    const qsizetype last = std::min(rows - 1, top_ + area.bottom() / rowHeight_);
    const int columns = std::min(columnCount_, model->columnCount());
    const QColor grid = pal.color(QPalette::Midlight);
    const bool focusFrame = hasFocus();

    for (qsizetype row = first; row <= last; ++row) {
        const RowLook look = lookOf(row);
        for (int column = 0; column < columns; ++column) {
            const QRect cell = GetCellRect(row, column, true);
            if (!cell.intersects(area))
                continue;
            const QModelIndex index = model->index(int(row), column);
            const int textIndex =
                look.text >= 0 ? look.text : model->data(index, LogList::ColourIndexRole).toInt();
            if (look.background == DEF_BACKGROUND && model->data(index, MarkedRole).toBool())
                painter.fillRect(cell, pal.color(QPalette::ToolTipBase));
            else
                painter.fillRect(cell, colourOf(look.background, pal));
            const QRect inner = cell.adjusted(1, 1, -1, -1);
            painter.save();
            painter.setClipRect(inner);
            painter.setPen(colourOf(textIndex, pal));
            painter.drawText(
                inner.adjusted(kTextIndent - 1, 0, 0, 0),
                Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                singleLine(model->data(index, Qt::DisplayRole).toString(), inner.width() + 1));
            painter.restore();
            painter.setPen(grid);
            painter.drawLine(cell.topRight(), cell.bottomRight());
            painter.drawLine(cell.bottomLeft(), cell.bottomRight());
        }
        if (row == current_ && focusFrame) {
            QStyleOptionFocusRect option;
            option.initFrom(this);
            option.rect = GetRowRect(row, false);
            option.backgroundColor = colourOf(DEF_SELBACKGROUND, pal);
            style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
        }
    }
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

void CColorListCtrl::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton && event->button() != Qt::RightButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    const qsizetype row = rowAt(event->position().toPoint());
    if (row < 0) {
        clearSelection();
        return;
    }
    // A right click keeps a selection it falls into, for a context menu on it.
    if (event->button() == Qt::RightButton && isRowSelected(row))
        return;
    const bool extend = event->button() == Qt::LeftButton &&
                        event->modifiers().testFlag(Qt::ShiftModifier) && anchor_ >= 0;
    moveCurrent(row, extend);
}

void CColorListCtrl::mouseMoveEvent(QMouseEvent* event)
{
    if (!event->buttons().testFlag(Qt::LeftButton) || anchor_ < 0) {
        QAbstractScrollArea::mouseMoveEvent(event);
        return;
    }
    const QPoint point = event->position().toPoint();
    const qsizetype rows = rowCountInList();
    qsizetype row = top_ + point.y() / rowHeight_;
    if (point.y() < 0)
        row = top_ - 1;
    moveCurrent(std::clamp<qsizetype>(row, 0, rows - 1), true);
}

void CColorListCtrl::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton || event->button() == Qt::RightButton)
        event->accept();
    else
        QAbstractScrollArea::mouseReleaseEvent(event);
}

void CColorListCtrl::keyPressEvent(QKeyEvent* event)
{
    const qsizetype rows = rowCountInList();
    if (event->matches(QKeySequence::SelectAll)) {
        if (rows > 0) {
            anchor_ = rows - 1;
            current_ = 0;
            viewport()->update();
        }
        return;
    }
    const qsizetype page = std::max<qsizetype>(1, fullyVisibleRows() - 1);
    const qsizetype from = current_ >= 0 ? current_ : top_;
    qsizetype to = -1;
    switch (event->key()) {
    case Qt::Key_Up:
        to = current_ >= 0 ? from - 1 : from;
        break;
    case Qt::Key_Down:
        to = current_ >= 0 ? from + 1 : from;
        break;
    case Qt::Key_PageUp:
        to = from - page;
        break;
    case Qt::Key_PageDown:
        to = from + page;
        break;
    case Qt::Key_Home:
        to = 0;
        break;
    case Qt::Key_End:
        to = rows - 1;
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (current_ >= 0 && current_ < rows) {
            Q_EMIT rowActivated(current_);
            event->accept();
            return;
        }
        QAbstractScrollArea::keyPressEvent(event);
        return;
    default:
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    if (rows > 0)
        moveCurrent(std::clamp<qsizetype>(to, 0, rows - 1),
                    event->modifiers().testFlag(Qt::ShiftModifier) && anchor_ >= 0);
    event->accept();
}

void CColorListCtrl::focusInEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusInEvent(event);
    RepaintSelection();
    if (!showSelectionAlways_)
        viewport()->update(selectionOnScreen());
}

void CColorListCtrl::focusOutEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusOutEvent(event);
    RepaintSelection();
    // Without showSelectionAlways every selected row goes back to its own colours.
    if (!showSelectionAlways_)
        viewport()->update(selectionOnScreen());
}

bool CColorListCtrl::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const qsizetype row = rowAt(help->pos());
        const int column = columnAt(help->pos().x());
        if (row >= 0 && column >= 0 && isCellCutOff(row, column)) {
            QToolTip::showText(help->globalPos(), cellText(row, column), viewport(),
                               GetCellRect(row, column, true));
        } else {
            QToolTip::hideText();
            event->ignore();
        }
        return true;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

void CColorListCtrl::changeEvent(QEvent* event)
{
    QAbstractScrollArea::changeEvent(event);
    switch (event->type()) {
    case QEvent::FontChange:
    case QEvent::StyleChange:
        updateRowHeight();
        updateGeometries();
        viewport()->update();
        break;
    case QEvent::PaletteChange:
        viewport()->update();
        break;
    default:
        break;
    }
}

void CColorListCtrl::onRowsInserted(int first, int last)
{
    const qsizetype count = qsizetype(last) - first + 1;
    // Scrolled away from the top, the rows on screen keep their place; at the top, new rows show.
    const bool keepRowsInPlace = top_ > 0 && first <= top_;
    if (keepRowsInPlace)
        top_ += count;
    if (current_ >= first)
        current_ += count;
    if (anchor_ >= first)
        anchor_ += count;
    scheduleRefresh(!keepRowsInPlace && first < top_ + touchedRows());
}

void CColorListCtrl::scheduleRefresh(bool repaint)
{
    scrollBarsStale_ = true;
    repaintPending_ = repaintPending_ || repaint;
    if (!refreshTimer_->isActive())
        refreshTimer_->start();
}

void CColorListCtrl::refreshNow()
{
    if (scrollBarsStale_)
        syncScrollBars();
    if (repaintPending_)
        viewport()->update();
    repaintPending_ = false;
}

void CColorListCtrl::onRowsRemoved(int first, int last)
{
    const qsizetype count = qsizetype(last) - first + 1;
    const qsizetype topBefore = top_;
    // A full list loses its bottom row with every new one: off screen, that needs no repaint.
    const bool removedOnScreen = first < top_ + touchedRows() && last >= top_;
    const auto adjust = [&](qsizetype& row) {
        if (row > last)
            row -= count;
        else if (row >= first)
            row = -1;
    };
    adjust(current_);
    adjust(anchor_);
    if (current_ < 0)
        anchor_ = -1;
    else if (anchor_ < 0)
        anchor_ = current_;
    if (top_ > last)
        top_ -= count;
    else if (top_ > first)
        top_ = first;
    top_ = std::min(top_, std::max<qsizetype>(0, rowCountInList() - fullyVisibleRows()));
    syncScrollBars();
    if (removedOnScreen || top_ != topBefore)
        viewport()->update();
}

void CColorListCtrl::onModelReset()
{
    top_ = 0;
    current_ = -1;
    anchor_ = -1;
    applyColumnsToHeader();
    syncScrollBars();
    viewport()->update();
}

void CColorListCtrl::onDataChanged(int firstRow, int lastRow)
{
    if (lastRow < top_ || firstRow >= top_ + touchedRows())
        return;
    viewport()->update();
}

void CColorListCtrl::onSectionResized(int logicalIndex, int newSize)
{
    if (logicalIndex < 0 || logicalIndex >= columnCount_ || widths_.at(logicalIndex) == newSize)
        return;
    widths_[logicalIndex] = newSize;
    syncScrollBars();
    viewport()->update();
}

void CColorListCtrl::applyColumnsToHeader()
{
    int sections = std::min(header_->count(), columnCount_);
    // A stretched last column takes its width from the view, not from the list.
    if (header_->stretchLastSection() && sections == columnCount_)
        --sections;
    for (int i = 0; i < sections; ++i) {
        if (header_->sectionSize(i) != widths_.at(i))
            header_->resizeSection(i, widths_.at(i));
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

void CColorListCtrl::moveCurrent(qsizetype row, bool extend)
{
    if (row == current_ && (extend || anchor_ == row))
        return;
    current_ = row;
    if (!extend || anchor_ < 0)
        anchor_ = row;
    ensureRowVisible(row);
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
    for (int w : widths_)
        total += w;
    return total;
}

int CColorListCtrl::columnLeft(int column) const
{
    int left = 0;
    for (int i = 0; i < column; ++i)
        left += widths_.at(i);
    return left;
}

CColorListCtrl::RowLook CColorListCtrl::lookOf(qsizetype row) const
{
    if (hasFocus()) {
        if (row == current_ || isRowSelected(row))
            return {DEF_SELBACKGROUND, DEF_SELTEXT};
    } else if (showSelectionAlways_ && isRowSelected(row)) {
        return {DEF_DESELBACKGROUND, DEF_TEXT};
    }
    return {DEF_BACKGROUND, -1};
}

QRect CColorListCtrl::selectionOnScreen() const
{
    if (anchor_ < 0 || current_ < 0)
        return {};
    const qsizetype first = std::max(std::min(anchor_, current_), top_);
    const qsizetype last = std::min(std::max(anchor_, current_), top_ + touchedRows() - 1);
    if (first > last)
        return {};
    return GetRowRect(first, true).united(GetRowRect(last, true));
}

QString CColorListCtrl::cellText(qsizetype row, int column) const
{
    const QAbstractItemModel* model = displayModel();
    if (!model || row < 0 || row >= rowCountInList() || column < 0 ||
        column >= model->columnCount())
        return {};
    return model->data(model->index(int(row), column), Qt::DisplayRole).toString();
}

bool CColorListCtrl::isCellCutOff(qsizetype row, int column) const
{
    const QRect cell = GetCellRect(row, column, true);
    if (cell.isNull())
        return false;
    // The text gets the cell less its indent on the left and the grid line on the right.
    const int room = cell.width() - kTextIndent - 1;
    return fontMetrics().horizontalAdvance(singleLine(cellText(row, column))) > room;
}

} // namespace quendal

#include "moc_CColorListCtrl.cpp"
