#include "netinfo/gui/SocketTableView.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QStyledItemDelegate>
#include <QToolTip>

#include <algorithm>

namespace quendal {
namespace {

// Space above and below a row's text, as in the log lists.
constexpr int kRowPadding = 4;

// Whole rows are selected, so a frame around one cell only says which column was clicked last.
class NoCellFocusDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        QStyleOptionViewItem plain(option);
        plain.state &= ~QStyle::State_HasFocus;
        QStyledItemDelegate::paint(painter, plain, index);
    }
};

} // namespace

SocketTableView::SocketTableView(QWidget* parent) : QTableView(parent)
{
    setShowGrid(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    setWordWrap(false);
    setItemDelegate(new NoCellFocusDelegate(this));
    verticalHeader()->hide();
    // The rows of the log lists: the text's height and a little air, not the style's 30 px.
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + kRowPadding);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->setSectionsClickable(false);
}

void SocketTableView::setModelWithWidths(QAbstractItemModel* model, const QList<int>& widths)
{
    setModel(model);
    // A caption is never cut: "RemotePort" is wider than its column in many fonts.
    for (int column = 0; column < widths.size(); ++column)
        setColumnWidth(column,
                       std::max(widths[column], horizontalHeader()->sectionSizeHint(column)));
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
