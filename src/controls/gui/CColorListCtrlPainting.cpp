// How the list control draws its rows, and its tooltips for cut-off cells.
#include "controls/gui/CColorListCtrl.h"
#include "controls/gui/ColourPalette.h"
#include "logs/core/LogList.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QToolTip>

#include <algorithm>

namespace quendal {
namespace {

// Where a cell's text starts, from the cell's left edge (the grid line and a small gap).
constexpr int kTextIndent = 2;
// Room right of a fitted column's text: the grid line and a small gap.
constexpr int kTextMargin = 4;

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

// What a cell of inner rectangle `inner` shows of `text`: one line, ending in "…" when cut.
QString shownText(const QString& text, const QRect& inner, const QFontMetrics& metrics)
{
    const int room = inner.width() - (kTextIndent - 1);
    return metrics.elidedText(singleLine(text, inner.width() + 1), Qt::ElideRight, room);
}

} // namespace

QString CColorListCtrl::shownCellText(qsizetype row, int column) const
{
    const QRect cell = GetCellRect(row, column, true);
    if (cell.isNull())
        return {};
    return shownText(cellText(row, column), cell.adjusted(1, 1, -1, -1), fontMetrics());
}

qsizetype CColorListCtrl::InsertRow(const QList<QByteArray>& texts, qsizetype row, int colour)
{
    if (!list_ || texts.size() != std::min(columnCount_, LogRows::kColumnCount))
        return -1;
    const auto text = [&texts](int column) {
        return column < texts.size() ? QByteArrayView(texts.at(column)) : QByteArrayView();
    };
    const LogEntryView entry{text(LogList::TimeColumn), text(LogList::HostColumn),
                             text(LogList::MessageColumn)};
    const qsizetype at = (row < 0 || row > list_->size()) ? list_->size() : row;
    return list_->insert(at, entry, colour);
}

int CColorListCtrl::SetCellTextColour(int colour, qsizetype row, int column)
{
    if (!list_ || column < 0 || column >= columnCount_)
        return 0;
    return list_->setTextColour(row, column, colour) ? 1 : 0;
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

ColourValue24 CColorListCtrl::GetCellTextColour(qsizetype row, int column) const
{
    if (!list_ || row < 0 || row >= list_->size())
        return 0;
    if (column < 0 || column >= columnCount_ || column >= LogRows::kColumnCount)
        return ColourValue(DEF_TEXT);
    return ColourValue(cellColourIndex(list_->index(int(row), column)));
}

void CColorListCtrl::fitColumnToContents(int column)
{
    const QAbstractItemModel* model = displayModel();
    if (!model || isColumnHidden(column) || column == stretchedColumn())
        return;
    const QFontMetrics metrics = fontMetrics();
    int widest = header_->sectionSizeHint(column);
    const qsizetype last = std::min(rowCountInList(), top_ + touchedRows()) - 1;
    for (qsizetype row = top_; row <= last; ++row)
        widest = std::max(widest, metrics.horizontalAdvance(singleLine(cellText(row, column))) +
                                      kTextIndent + kTextMargin);
    setColumnWidth(column, widest);
}

int CColorListCtrl::cellColourIndex(const QModelIndex& index) const
{
    const QAbstractItemModel* model = index.model();
    const int own = model->data(index, LogList::ColourIndexRole).toInt();
    // An emergency is drawn red unless its cells were given a colour of their own.
    if (own == DEF_TEXT &&
        model->data(index, LogList::SeverityRole).toInt() == int(Severity::Emergency))
        return RED;
    return own;
}

ColourValue24 CColorListCtrl::ColourValue(int index) const
{
    return colourValue(index, palette());
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
    const QFontMetrics metrics = fontMetrics();

    for (qsizetype row = first; row <= last; ++row) {
        const RowLook look = lookOf(row);
        for (int column = 0; column < columns; ++column) {
            const QRect cell = GetCellRect(row, column, true);
            if (!cell.intersects(area))
                continue;
            const QModelIndex index = model->index(int(row), column);
            const int textIndex = look.text >= 0 ? look.text : cellColourIndex(index);
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
                shownText(model->data(index, Qt::DisplayRole).toString(), inner, metrics));
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

bool CColorListCtrl::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const qsizetype row = rowAt(help->pos());
        const int column = columnAt(help->pos().x());
        // A cell's tooltip is its whole text, or more than it shows (the full time stamp).
        const QString tip = row >= 0 && column >= 0 ? cellToolTip(row, column) : QString();
        if (row >= 0 && column >= 0 &&
            (isCellCutOff(row, column) || (!tip.isEmpty() && tip != cellText(row, column)))) {
            QToolTip::showText(help->globalPos(), tip.isEmpty() ? cellText(row, column) : tip,
                               viewport(), GetCellRect(row, column, true));
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

QString CColorListCtrl::cellText(qsizetype row, int column) const
{
    const QAbstractItemModel* model = displayModel();
    if (!model || row < 0 || row >= rowCountInList() || column < 0 ||
        column >= model->columnCount())
        return {};
    return model->data(model->index(int(row), column), Qt::DisplayRole).toString();
}

QString CColorListCtrl::cellToolTip(qsizetype row, int column) const
{
    const QAbstractItemModel* model = displayModel();
    if (!model || row < 0 || row >= rowCountInList() || column < 0 ||
        column >= model->columnCount())
        return {};
    return model->data(model->index(int(row), column), Qt::ToolTipRole).toString();
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
