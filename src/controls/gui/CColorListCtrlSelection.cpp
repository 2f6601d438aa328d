// The list control's selection: whole rows from an anchor to the current row, by mouse and keys.
#include "controls/gui/CColorListCtrl.h"
#include "controls/gui/ColorListAccessible.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>

#include <algorithm>

namespace quendal {

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

void CColorListCtrl::moveCurrent(qsizetype row, bool extend)
{
    if (row == current_ && (extend || anchor_ == row))
        return;
    current_ = row;
    if (!extend || anchor_ < 0)
        anchor_ = row;
    ensureRowVisible(row);
    viewport()->update();
    ColorListAccessible::currentRowMoved(this);
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

} // namespace quendal
