#include "netinfo/gui/SocketTableView.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QToolTip>

namespace quendal {

SocketTableView::SocketTableView(QWidget* parent) : QTableView(parent)
{
    setShowGrid(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    setWordWrap(false);
    verticalHeader()->hide();
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setSectionsClickable(false);
}

void SocketTableView::setModelWithWidths(QAbstractItemModel* model, const QList<int>& widths)
{
    setModel(model);
    for (int column = 0; column < widths.size(); ++column)
        setColumnWidth(column, widths[column]);
}

bool SocketTableView::isCutOff(const QModelIndex& index) const
{
    if (!index.isValid())
        return false;
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(index);
    return itemDelegateForIndex(index)->sizeHint(option, index).width() > option.rect.width();
}

bool SocketTableView::viewportEvent(QEvent* event)
{
    if (event->type() != QEvent::ToolTip)
        return QTableView::viewportEvent(event);
    // Only a cut-off cell has anything to add: a full cell already shows its whole text.
    const auto* help = static_cast<QHelpEvent*>(event);
    const QModelIndex index = indexAt(help->pos());
    if (isCutOff(index))
        QToolTip::showText(help->globalPos(), index.data().toString(), viewport(),
                           visualRect(index));
    else
        QToolTip::hideText();
    return true;
}

} // namespace quendal
